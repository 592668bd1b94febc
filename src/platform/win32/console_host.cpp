#include "platform/win32/console_host.h"

#include <io.h>

#include "platform/win32/system_status.h"

namespace calvorn {
namespace {

// The events through which the control handler reaches the host of this
// process: one raised to stop the run, one the host raises when it is done.
std::wstring interruptEventName(DWORD processId) { return L"Local\\calvorn-interrupt-" + std::to_wstring(processId); }
std::wstring finishedEventName(DWORD processId) { return L"Local\\calvorn-finished-" + std::to_wstring(processId); }

// Runs on a thread of its own. Ctrl+C and Ctrl+Break stop the run; closing
// the console, logging off and shutting down stop it too, and since Windows
// ends the process as soon as this returns, it waits until the host has
// finished (the run's work files deleted).
BOOL WINAPI onConsoleControl(DWORD event)
{
    const bool ending = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    if (!ending && event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    const DWORD process = GetCurrentProcessId();
    HANDLE interrupt = OpenEventW(EVENT_MODIFY_STATE, FALSE, interruptEventName(process).c_str());
    if (interrupt == nullptr) return FALSE; // no host: the default handling ends the program
    HANDLE finished = ending ? OpenEventW(SYNCHRONIZE, FALSE, finishedEventName(process).c_str()) : nullptr;
    SetEvent(interrupt);
    CloseHandle(interrupt);
    if (finished != nullptr) {
        WaitForSingleObject(finished, INFINITE);
        CloseHandle(finished);
    }
    return TRUE;
}

HANDLE consoleOf(std::FILE* stream)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

} // namespace

void writeUtf8(std::FILE* stream, std::string_view text)
{
    std::fflush(stream);
    if (HANDLE console = consoleOf(stream)) {
        const std::wstring wide = utf8ToWide(text);
        DWORD written = 0;
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

ConsoleHost::ConsoleHost(std::FILE* log, std::FILE* errors) : log_(log), errors_(errors)
{
    interruptEvent_ = CreateEventW(nullptr, TRUE, FALSE, interruptEventName(GetCurrentProcessId()).c_str());
    finishedEvent_ = CreateEventW(nullptr, TRUE, FALSE, finishedEventName(GetCurrentProcessId()).c_str());
    if (interruptEvent_ != nullptr) SetConsoleCtrlHandler(onConsoleControl, TRUE);
    // For whatever else the program prints to the console as UTF-8.
    previousOutputCodePage_ = GetConsoleOutputCP();
    if (previousOutputCodePage_ != 0) SetConsoleOutputCP(CP_UTF8);
}

ConsoleHost::~ConsoleHost()
{
    // A handler waiting for the end of a closing console may let go now.
    if (finishedEvent_ != nullptr) {
        SetEvent(finishedEvent_);
        CloseHandle(finishedEvent_);
    }
    if (interruptEvent_ != nullptr) {
        SetConsoleCtrlHandler(onConsoleControl, FALSE);
        CloseHandle(interruptEvent_);
    }
    if (previousOutputCodePage_ != 0) SetConsoleOutputCP(previousOutputCodePage_);
}

std::uint32_t ConsoleHost::tickCount() { return windowsTickCount(); }

MemoryStatus ConsoleHost::memoryStatus() { return windowsMemoryStatus(); }

void ConsoleHost::pumpMessages()
{
    // A block transfer can come every few microseconds; the clock is read
    // without a call into the system, the event only with one.
    const auto now = std::chrono::steady_clock::now();
    if (now < nextInterruptCheck_) return;
    nextInterruptCheck_ = now + interruptCheckInterval;
    if (interruptEvent_ == nullptr || WaitForSingleObject(interruptEvent_, 0) != WAIT_OBJECT_0) return;
    ResetEvent(interruptEvent_);
    stop_ = true;
}

void ConsoleHost::showError(std::string_view text, std::string_view caption)
{
    // A message box without a caption (the memory message) is its text alone.
    std::string line(caption);
    if (!line.empty()) line += ": ";
    line += text;
    line += '\n';
    writeUtf8(errors_, line);
}

void ConsoleHost::appendLog(std::string_view line) { writeUtf8(log_, line); }

} // namespace calvorn
