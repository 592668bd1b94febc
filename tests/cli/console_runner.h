// Runs the console program's whole front end with a fake host and captures
// what it writes to its two streams; reads files back whole.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/console_app.h"
#include "support/fake_host.h"

namespace calvorn::test {

struct ConsoleResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string readAll(std::FILE* stream)
{
    std::rewind(stream);
    std::string text;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, stream)) > 0;) text.append(chunk, got);
    std::fclose(stream);
    return text;
}

inline ConsoleResult runConsoleWith(const std::vector<std::string>& args, FakeHost& host,
                                    const ConsoleSettings& settings)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ConsoleResult result;
    result.exitCode = runConsole(args, host, out, err, writeBytes, settings);
    result.out = readAll(out);
    result.err = readAll(err);
    return result;
}

inline std::string fileBytes(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace calvorn::test
