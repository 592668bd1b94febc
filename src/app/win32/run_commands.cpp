// The menu commands of the main window: start (choose a size, compute,
// record the time), stop (ask, then raise the stop flag) and About. The
// computation runs inside the start command; the window's other messages
// reach it re-entrantly through the host's pump.
#include "app/left_behind.h"
#include "app/log_lines.h"
#include "app/record_file.h"
#include "app/resources/resource.h"
#include "app/run_session.h"
#include "app/size_table.h"
#include "app/text_format.h"
#include "app/transform_plan_cache.h"
#include "app/win32/dialogs.h"
#include "app/win32/main_window.h"
#include "common/messages.h"
#include "platform/owned_files.h"

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

// The window's side of a run: the stop command leaves the menu when the
// computation ends; a verified run gets its output-time line and the box.
class MainWindow::RunFront : public SessionFront {
public:
    explicit RunFront(MainWindow& window) : window_(window) {}
    void computationEnded() override { window_.setStopCommandPresent(false); }
    void runFinished(std::uint32_t elapsed, const RunSummary&) override { window_.showRunFinished(elapsed); }

private:
    MainWindow& window_;
};

// Whether this folder is the run's alone and holds nothing of anyone else's
// under the run's names; says why not in a box.
bool MainWindow::folderReady(FolderLock& lock)
{
    switch (lock.acquire()) {
    case FolderLock::Outcome::acquired:
        break;
    case FolderLock::Outcome::heldByAnotherRun:
        host_.showError(messageText(MessageId::anotherRunInFolder, Language::korean), errorCaption);
        return false;
    case FolderLock::Outcome::failed:
        host_.showError(formatText(messageText(MessageId::directoryNotWritable, Language::korean),
                                   lock.problem().c_str()),
                        errorCaption);
        return false;
    }
    if (const auto inTheWay = folderFileInTheWay()) {
        host_.showError(formatText(messageText(MessageId::fileInTheWay, Language::korean), inTheWay->c_str()),
                        errorCaption);
        return false;
    }
    if (!recordsProblem_.empty()) {
        host_.showError(formatText(messageText(MessageId::recordsUnreadable, Language::korean),
                                   recordsProblem_.c_str()),
                        errorCaption);
        return false;
    }
    return true;
}

void MainWindow::computeAndRecord(std::int32_t sizeExponent)
{
    FolderLock lock;
    if (!folderReady(lock)) return;
    const LeftBehind left = removeFilesLeftBehind(lock.leftBehind());
    if (!left.problem.empty()) {
        host_.showError(left.problem, errorCaption);
        return;
    }
    replaceLog(startLogLine(sizeExponent));
    if (!left.removed.empty()) appendLog(leftBehindLine(left.removed, Language::korean), false);
    setStopCommandPresent(true);

    RunFront front(*this);
    RunOptions options;
    options.planCacheFile = transformPlanCacheFile();
    const SessionResult session = runSession(host_, sizeExponent, records_, front, options, historyFile_);
    // A run that could not be added to the history says so in the log, and nothing else changes.
    std::string historyWarning;
    if (!session.historyProblem.empty()) {
        historyWarning.push_back('\n');
        historyWarning += formatText(messageText(MessageId::historyNotWritten, Language::korean),
                                     session.historyProblem.c_str());
    }
    if (const std::string problem = lock.release(); !problem.empty()) host_.showError(problem, errorCaption);
    // A failed, stopped or unverified run keeps its log lines and touches no record.
    if (session.outcome != SessionResult::Outcome::recorded) {
        if (!historyWarning.empty()) appendLog(historyWarning, true);
        return;
    }

    // The table of best times, and below it the precise time of this run.
    replaceLog(records_.afterRunTable(sizeExponent) + computationTimeLine(session.elapsed) + historyWarning);
    if (!session.recordsError.empty()) host_.showError(session.recordsError, errorCaption);
}

void MainWindow::showRunFinished(std::uint32_t elapsed)
{
    appendLog(outputTimeLogLine(elapsed) + "\n" + computationTimeLine(elapsed), true);
    host_.showMessage(finishedMessage, "Finish", MB_OK);
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
