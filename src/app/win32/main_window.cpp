#include "app/win32/main_window.h"

#include "app/record_file.h"
#include "app/resources/resource.h"

namespace calvorn {
namespace {

constexpr const wchar_t* className = L"Calvorn";
constexpr int windowWidth = 512;
constexpr int windowHeight = 600;

} // namespace

bool MainWindow::registerClass() const
{
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, L"Icon1");
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = L"menu1";
    windowClass.lpszClassName = className;
    return RegisterClassW(&windowClass) != 0;
}

bool MainWindow::create()
{
    CreateWindowExW(0, className, L"Calvorn", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, windowWidth,
                    windowHeight, nullptr, nullptr, instance_, this);
    host_.setWindow(window_);
    return window_ != nullptr;
}

void MainWindow::show(int showCommand)
{
    // A records file that cannot be read is kept as it is, and no run is
    // made while it stands (its best times would be lost with the next save).
    recordsProblem_ = loadRecords(records_).value_or("");
    logText_ = records_.startupTable();
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        view_.create(window_);
        return 0;
    case WM_DESTROY:
        onDestroy();
        return 0;
    case WM_SIZE:
        view_.resize(window_, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        view_.paint(window_, logText_);
        return 0;
    case WM_COMMAND:
        onCommand(wParam);
        DefWindowProcW(window_, message, wParam, lParam);
        return 0;
    case WM_HSCROLL:
        view_.scroll(window_, SB_HORZ, wParam);
        return 0;
    case WM_VSCROLL:
        view_.scroll(window_, SB_VERT, wParam);
        return 0;
    case WM_MOUSEWHEEL:
        view_.wheel(window_, SB_VERT, wParam);
        return 0;
    case WM_MOUSEHWHEEL:
        view_.wheel(window_, SB_HORZ, wParam);
        return 0;
    case WM_KEYDOWN:
        if (view_.key(window_, wParam)) return 0;
        return DefWindowProcW(window_, message, wParam, lParam);
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

// A run in progress ends through the stop path at its next block transfer,
// before the message loop sees the quit message.
void MainWindow::onDestroy()
{
    host_.setStopRequested(true);
    PostQuitMessage(0);
}

void MainWindow::onCommand(WPARAM command)
{
    switch (command) {
    case IDM_START: startCommand(); break;
    case IDM_STOP: stopCommand(); break;
    case IDM_ABOUT: aboutCommand(); break;
    default: break;
    }
}

void MainWindow::appendLog(std::string_view line, bool erase)
{
    logText_ += line;
    if (IsWindow(window_)) LogView::refresh(window_, erase);
}

// A new text is shown from its start, wherever the old one was scrolled to.
void MainWindow::replaceLog(std::string text)
{
    logText_ = std::move(text);
    if (!IsWindow(window_)) return;
    view_.showStart(window_);
    LogView::refresh(window_, true);
}

} // namespace calvorn
