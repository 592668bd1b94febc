#include "platform/user_data.h"

#include <cstdlib>
#include <system_error>

#include "platform/win32/wide_text.h"

namespace calvorn {
namespace {

std::string windowsErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length != 0 && text != nullptr ? std::wstring(text, length) : L"error " + std::to_wstring(error);
    if (text != nullptr) LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.')) wide.pop_back();
    return wideToUtf8(wide);
}

std::string cannotWrite(const std::filesystem::path& file, DWORD error)
{
    return "cannot write " + pathText(file) + ": " + windowsErrorText(error);
}

} // namespace

std::optional<std::filesystem::path> userDataFolder()
{
    const wchar_t* folder = _wgetenv(L"LOCALAPPDATA");
    if (folder == nullptr || folder[0] == L'\0') return std::nullopt;
    return std::filesystem::path(folder);
}

std::optional<std::string> appendWholeLine(const std::filesystem::path& file, std::string_view line)
{
    std::error_code made;
    std::filesystem::create_directories(file.parent_path(), made);
    if (made) return "cannot make the folder " + pathText(file.parent_path()) + ": " + made.message();

    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return pathText(file) + " is a symbolic link";
    // Append access alone moves every write to the end of the file, whoever
    // else appends; read access tells whether the file ends a line.
    HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return cannotWrite(file, GetLastError());
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        CloseHandle(handle);
        return pathText(file) + " is not a regular file";
    }
    std::string text;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(handle, &size) && size.QuadPart > 0) {
        OVERLAPPED at{};
        const ULONGLONG lastByte = static_cast<ULONGLONG>(size.QuadPart) - 1;
        at.Offset = static_cast<DWORD>(lastByte & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(lastByte >> 32);
        char last = '\n';
        DWORD got = 0;
        if (ReadFile(handle, &last, 1, &got, &at) && got == 1 && last != '\n') text = "\n";
    }
    text += line;
    DWORD written = 0;
    DWORD error = 0;
    if (!WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) error = GetLastError();
    else if (written != text.size()) error = ERROR_DISK_FULL;
    if (error == 0 && !FlushFileBuffers(handle)) error = GetLastError();
    CloseHandle(handle);
    if (error != 0) return cannotWrite(file, error);
    return std::nullopt;
}

} // namespace calvorn
