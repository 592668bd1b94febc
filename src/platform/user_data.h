// The user's own data folder, where the program keeps what outlives a run
// folder (the history of runs), and the one way it writes there: a whole
// line appended in one write. Nothing here is kept between calls.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace calvorn {

// A path as UTF-8 text, for messages and for the functions of owned_files.h.
inline std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// $XDG_DATA_HOME (when set to an absolute path), else ~/.local/share; on
// Windows %LOCALAPPDATA%. Nothing when the system names no such folder.
std::optional<std::filesystem::path> userDataFolder();

// Appends `line` (which ends in LF) to `file` with one write at the end of
// the file, creating the file and its missing folders (private to the user
// where the system has such rights). When the file's last line was left
// unfinished (a write cut short), the new line starts on a line of its own.
// A link or anything but a regular file under the name is not written
// through. Returns why it could not be done, or nothing.
std::optional<std::string> appendWholeLine(const std::filesystem::path& file, std::string_view line);

} // namespace calvorn
