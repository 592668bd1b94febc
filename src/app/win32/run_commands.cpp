// The menu commands of the main window: start (choose a size, compute,
// record the time), stop (ask, then raise the stop flag) and About. The
// computation runs inside the start command; the window's other messages
// reach it re-entrantly through the host's pump.
#include <exception>

#include "app/log_lines.h"
#include "app/record_file.h"
#include "app/resources/resource.h"
#include "app/size_table.h"
#include "app/text_format.h"
#include "app/win32/dialogs.h"
#include "app/win32/main_window.h"
#include "driver/pi_computation.h"

namespace calvorn {
namespace {

constexpr std::string_view errorCaption = "ERROR";

std::string startMessage(std::int32_t sizeExponent)
{
    const std::string_view label = sizeLabel(sizeExponent);
    return formatText("    %.*s - PI 연산을 시작합니다          ", static_cast<int>(label.size()), label.data());
}

} // namespace

void MainWindow::startCommand()
{
    if (!host_.stopRequested()) {
        host_.showMessage("If you will do over again, please stop!", "Now calculating...", MB_OK);
        return;
    }
    sizeExponent_ = chooseSize(instance_, window_);
    if (sizeExponent_ == 0) return;
    host_.showMessage(startMessage(sizeExponent_), "Start", MB_OK);
    computeAndRecord(sizeExponent_);
}

void MainWindow::computeAndRecord(std::int32_t sizeExponent)
{
    replaceLog(startLogLine(sizeExponent));
    setStopCommandPresent(true);

    const std::uint32_t startTicks = host_.tickCount();
    host_.setStopRequested(false);
    int result = 1;
    try {
        RunSummary summary;
        result = runPiComputation(host_, sizeExponent, startTicks, summary);
    } catch (const std::exception& e) {
        host_.showError(e.what(), errorCaption);
    }
    setStopCommandPresent(false);
    host_.setStopRequested(true);
    // A failed, stopped or unverified run keeps its log lines and touches no record.
    if (result != 0) return;

    const std::uint32_t elapsed = host_.tickCount() - startTicks;
    appendLog(outputTimeLogLine(elapsed), true);
    host_.showMessage(finishedMessage, "Finish", MB_OK);

    records_.recordRun(sizeExponent, elapsed);
    logText_ = records_.afterRunTable(sizeExponent);
    try {
        saveRecords(records_, sizeExponent);
    } catch (const RecordFileError& e) {
        host_.showError(e.what(), errorCaption);
    }
    if (IsWindow(window_)) LogView::refresh(window_, true);
}

void MainWindow::setStopCommandPresent(bool present)
{
    if (!IsWindow(window_)) return;
    HMENU menu = GetMenu(window_);
    if (present)
        AppendMenuW(menu, MF_STRING, IDM_STOP, L"정지(&S)");
    else
        DeleteMenu(menu, IDM_STOP, MF_BYCOMMAND);
    DrawMenuBar(window_);
}

void MainWindow::stopCommand()
{
    if (host_.showMessage(" 작업을 중단하시겠습니까?  ", "Stop", MB_YESNO) == IDYES)
        host_.setStopRequested(true);
    else
        host_.showMessage("연산을 계속합니다...    ", "Confirmation", MB_OK);
}

void MainWindow::aboutCommand() { showAbout(instance_, window_); }

} // namespace calvorn
