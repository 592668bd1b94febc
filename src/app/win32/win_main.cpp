// The window program's entry: the main window, the records table, the
// message loop until the quit message.
#include "app/win32/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    calvorn::MainWindow mainWindow(instance);
    if (!mainWindow.registerClass()) return 0;
    if (!mainWindow.create()) return 0;
    mainWindow.show(showCommand);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
