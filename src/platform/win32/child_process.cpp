#include "platform/child_process.h"

#include <stdexcept>
#include <thread>

#include "platform/win32/wide_text.h"

namespace calvorn {
namespace {

void closeHandle(void*& handle)
{
    if (handle != nullptr) CloseHandle(static_cast<HANDLE>(handle));
    handle = nullptr;
}

// One argument as the C runtime of the child splits its command line again:
// quoted when it holds a space, a tab or a quote, with backslashes doubled
// where they precede a quote.
std::wstring quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

[[noreturn]] void failWith(DWORD error) { throw std::runtime_error(windowsErrorText(error)); }

// The state of a pipe that is read here: bytes waiting, none yet, or ended.
enum class PipeState { data, empty, ended };

PipeState pipeState(HANDLE pipe)
{
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return PipeState::ended;
    return available > 0 ? PipeState::data : PipeState::empty;
}

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::filesystem::path& folder)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inputRead = nullptr;
    HANDLE inputWrite = nullptr;
    HANDLE outputRead = nullptr;
    HANDLE outputWrite = nullptr;
    if (!CreatePipe(&inputRead, &inputWrite, &inheritable, 0)) failWith(GetLastError());
    if (!CreatePipe(&outputRead, &outputWrite, &inheritable, 0)) {
        const DWORD error = GetLastError();
        CloseHandle(inputRead);
        CloseHandle(inputWrite);
        failWith(error);
    }
    // This side's ends stay here; the child's ends are closed here once it has them.
    SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE errors = nullptr;
    const HANDLE ownErrors = GetStdHandle(STD_ERROR_HANDLE);
    if (ownErrors != nullptr && ownErrors != INVALID_HANDLE_VALUE)
        DuplicateHandle(GetCurrentProcess(), ownErrors, GetCurrentProcess(), &errors, 0, TRUE, DUPLICATE_SAME_ACCESS);

    std::wstring commandLine = quoted(utf8ToWide(program));
    for (const std::string& arg : args) commandLine += L" " + quoted(utf8ToWide(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inputRead;
    startup.hStdOutput = outputWrite;
    startup.hStdError = errors;
    PROCESS_INFORMATION started{};
    const std::wstring application = utf8ToWide(program);
    const BOOL created = CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        folder.wstring().c_str(), &startup, &started);
    const DWORD error = GetLastError();
    CloseHandle(inputRead);
    CloseHandle(outputWrite);
    if (errors != nullptr) CloseHandle(errors);
    if (!created) {
        CloseHandle(inputWrite);
        CloseHandle(outputRead);
        throw std::runtime_error(program + ": " + windowsErrorText(error));
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    input_ = inputWrite;
    output_ = outputRead;
}

ChildProcess::~ChildProcess()
{
    closeHandle(input_);
    if (!end_ && process_ != nullptr) {
        TerminateProcess(static_cast<HANDLE>(process_), 1);
        WaitForSingleObject(static_cast<HANDLE>(process_), INFINITE);
    }
    closeHandle(output_);
    closeHandle(process_);
}

bool ChildProcess::readAvailable(std::string& into)
{
    if (output_ == nullptr) return false;
    for (;;) {
        const HANDLE pipe = static_cast<HANDLE>(output_);
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            closeHandle(output_);
            return false;
        }
        if (available == 0) return true;
        char chunk[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, chunk, available < sizeof chunk ? available : DWORD{sizeof chunk}, &got, nullptr) ||
            got == 0) {
            closeHandle(output_);
            return false;
        }
        into.append(chunk, got);
    }
}

void ChildProcess::closeInput() { closeHandle(input_); }

void ChildProcess::kill()
{
    if (!end_ && process_ != nullptr) TerminateProcess(static_cast<HANDLE>(process_), 1);
}

std::optional<ChildEnd> ChildProcess::wait(std::chrono::milliseconds limit)
{
    if (end_) return end_;
    if (WaitForSingleObject(static_cast<HANDLE>(process_), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(static_cast<HANDLE>(process_), &code);
    ChildEnd end;
    end.code = code;
    end_ = end;
    return end_;
}

// Anonymous pipes cannot be waited on: they are looked at in short steps.
void waitForChildOutput(std::span<ChildProcess* const> children, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        for (const ChildProcess* child : children)
            if (child->outputHandle() != nullptr && pipeState(static_cast<HANDLE>(child->outputHandle())) != PipeState::empty)
                return;
        if (std::chrono::steady_clock::now() >= deadline) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string thisProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return wideToUtf8(path);
        }
        path.resize(path.size() * 2);
    }
}

bool standardInputEnded()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return true;
    if (GetFileType(input) != FILE_TYPE_PIPE) return false;
    DWORD available = 0;
    if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) return true;
    // Whatever was written is not for this program: taken out of the way.
    char chunk[256];
    DWORD got = 0;
    if (available > 0) ReadFile(input, chunk, available < sizeof chunk ? available : DWORD{sizeof chunk}, &got, nullptr);
    return false;
}

} // namespace calvorn
