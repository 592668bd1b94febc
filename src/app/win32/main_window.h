// The main window "Calvorn": its class, the log text it shows, the menu
// commands (start, stop, About) and the host through which a computation
// running inside the start command pumps this window's messages. Owns the
// log text, the records of best times and the stop flag for the life of the
// program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/record_table.h"
#include "app/run_history.h"
#include "app/win32/base_window.h"
#include "app/win32/log_view.h"
#include "platform/owned_files.h"
#include "platform/win32/window_host.h"

namespace calvorn {

class MainWindow : public BaseWindow<MainWindow> {
public:
    explicit MainWindow(HINSTANCE instance) : instance_(instance) {}

    // Registers the class "Calvorn"; false when the system refuses it.
    bool registerClass() const;
    // Creates the 512 by 600 window; false when it cannot be made.
    bool create();
    // Loads the records and shows their table, then shows the window.
    void show(int showCommand);

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void onDestroy();
    void onCommand(WPARAM command);

    // The menu commands.
    void startCommand();
    void stopCommand();
    void aboutCommand();

    // One run from the start line to the records, once the size is chosen.
    void computeAndRecord(std::int32_t sizeExponent);
    bool folderReady(FolderLock& lock);
    void setStopCommandPresent(bool present);
    // The output-time line, the computation's time and the box after a verified run.
    void showRunFinished(std::uint32_t elapsed);
    class RunFront; // the window's side of the run session

    // Appends to the log (progress lines of the driver) and repaints at once.
    void appendLog(std::string_view line, bool erase);
    // Replaces the log and shows it from its first line, repainting at once.
    void replaceLog(std::string text);

    HINSTANCE instance_;
    WindowHost host_{[this](std::string_view line) { appendLog(line, false); }};
    LogView view_;
    std::string logText_;            // UTF-8
    RecordTable records_;
    std::string recordsProblem_;     // why "pi_rec.txt" could not be read at start-up (empty: read)
    std::optional<std::filesystem::path> historyFile_ = userHistoryFile(); // every run that ends by itself goes there
    std::int32_t sizeExponent_ = 0;  // the last size chosen; 0 after a cancelled dialog
};

} // namespace calvorn
