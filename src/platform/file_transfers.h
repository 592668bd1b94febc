// Moving bytes between the program's files and memory, and closing and
// removing them: every system call passes the fault point first. Results are
// 0 or the system's error number (unexpectedEndOfFile when a file ends before
// a positioned read is complete); `name` names the file in the caller's
// messages and at the fault point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace calvorn {

// The result of a positioned read that met the end of the file.
constexpr int unexpectedEndOfFile = -1;

// One whole block at byte `offset` of an unbuffered stream.
int writeAt(std::FILE* file, std::string_view name, std::span<const std::byte> bytes, std::uint64_t offset);
int readAt(std::FILE* file, std::string_view name, std::span<std::byte> bytes, std::uint64_t offset);

// All of `bytes` at the stream's position.
int writeAll(std::FILE* file, std::string_view name, std::span<const char> bytes);

// Reads until `bytes` is full or the file ends; `got` is the count read.
int readUpTo(std::FILE* file, std::string_view name, std::span<char> bytes, std::size_t& got);

// Closes the stream (it is gone whatever the result).
int closeFile(std::FILE* file, std::string_view name);

// Removes the name from its folder; a name that is already gone is no error.
int removeFile(const std::string& name);

} // namespace calvorn
