#include "platform/win32/console_host.h"

#include <array>

#include "platform/win32/system_status.h"

namespace calvorn {
namespace {

constexpr wchar_t controlC = 3;

bool isControlC(const INPUT_RECORD& record)
{
    return record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
           record.Event.KeyEvent.uChar.UnicodeChar == controlC;
}

} // namespace

ConsoleHost::ConsoleHost(std::FILE* log, std::FILE* errors) : log_(log), errors_(errors)
{
    // The console's own input even when standard input is redirected.
    input_ = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    if (input_ != INVALID_HANDLE_VALUE && GetConsoleMode(input_, &previousInputMode_))
        SetConsoleMode(input_, previousInputMode_ & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT));
    previousOutputCodePage_ = GetConsoleOutputCP();
    if (previousOutputCodePage_ != 0) SetConsoleOutputCP(CP_UTF8);
}

ConsoleHost::~ConsoleHost()
{
    if (input_ != INVALID_HANDLE_VALUE) {
        SetConsoleMode(input_, previousInputMode_);
        CloseHandle(input_);
    }
    if (previousOutputCodePage_ != 0) SetConsoleOutputCP(previousOutputCodePage_);
}

std::uint32_t ConsoleHost::tickCount() { return windowsTickCount(); }

MemoryStatus ConsoleHost::memoryStatus() { return windowsMemoryStatus(); }

void ConsoleHost::pumpMessages() { takeConsoleInput(); }

void ConsoleHost::takeConsoleInput()
{
    if (input_ == INVALID_HANDLE_VALUE) return;
    std::array<INPUT_RECORD, 32> records{};
    DWORD waiting = 0;
    while (GetNumberOfConsoleInputEvents(input_, &waiting) && waiting > 0) {
        DWORD read = 0;
        if (!ReadConsoleInputW(input_, records.data(), static_cast<DWORD>(records.size()), &read) || read == 0) return;
        for (DWORD i = 0; i < read; ++i) {
            if (!isControlC(records[i])) continue;
            interrupted_ = true;
            stop_ = true;
        }
    }
}

void ConsoleHost::showError(std::string_view text, std::string_view caption)
{
    std::fprintf(errors_, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(errors_);
}

void ConsoleHost::appendLog(std::string_view line)
{
    std::fwrite(line.data(), 1, line.size(), log_);
    std::fflush(log_);
}

} // namespace calvorn
