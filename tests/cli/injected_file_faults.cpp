// The fault point of the test build of the console program. It takes its
// orders from the environment, which the sweeps set for each run:
//   CALVORN_FILE_FAULT=N:KIND   the Nth call (from 1) of the whole process:
//                               EIO or ENOSPC (fails), EINTR (interrupted),
//                               short (moves half), kill (SIGKILL before it)
//   CALVORN_FILE_FAULT=every:EINTR   each operation is interrupted once first
//   CALVORN_FILE_FAULT=every:short   every read and write moves half of what it asks
//   CALVORN_FILE_TRACE=PATH     one line "N operation name" per call, appended to PATH
// Linked in place of the program's own definition, which never intervenes.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "platform/file_faults.h"

namespace calvorn {
namespace {

const char* operationName(FileOperation operation)
{
    switch (operation) {
    case FileOperation::create: return "create";
    case FileOperation::open: return "open";
    case FileOperation::read: return "read";
    case FileOperation::write: return "write";
    case FileOperation::sync: return "sync";
    case FileOperation::syncFolder: return "syncFolder";
    case FileOperation::rename: return "rename";
    case FileOperation::close: return "close";
    case FileOperation::remove: return "remove";
    case FileOperation::lock: return "lock";
    }
    return "?";
}

struct Orders {
    enum class When { never, atCall, everyOperation };
    When when = When::never;
    long long call = 0;
    FileFault fault;
    bool kill = false;
    int traceFd = -1;

    long long calls = 0;
    bool lastInjected = false;

    Orders()
    {
        if (const char* path = std::getenv("CALVORN_FILE_TRACE"))
            traceFd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        const char* order = std::getenv("CALVORN_FILE_FAULT");
        if (order == nullptr) return;
        const std::string text(order);
        const auto colon = text.find(':');
        if (colon == std::string::npos) std::abort();
        const std::string at = text.substr(0, colon);
        const std::string kind = text.substr(colon + 1);
        if (at == "every") {
            when = When::everyOperation;
        } else {
            when = When::atCall;
            call = std::atoll(at.c_str());
        }
        if (kind == "EIO") fault = {FileFault::Kind::fail, EIO};
        else if (kind == "ENOSPC") fault = {FileFault::Kind::fail, ENOSPC};
        else if (kind == "EINTR") fault = {FileFault::Kind::interrupt, 0};
        else if (kind == "short") fault = {FileFault::Kind::shorten, 0};
        else if (kind == "kill") kill = true;
        else std::abort();
    }

    void trace(FileOperation operation, std::string_view name) const
    {
        if (traceFd < 0) return;
        const std::string line = std::to_string(calls) + " " + operationName(operation) + " " + std::string(name) + "\n";
        if (::write(traceFd, line.data(), line.size()) < 0) std::abort();
    }

    FileFault next(FileOperation operation, std::string_view name)
    {
        ++calls;
        trace(operation, name);
        const bool transfer = operation == FileOperation::read || operation == FileOperation::write;
        switch (when) {
        case When::never: return {};
        case When::atCall:
            if (calls != call) return {};
            if (kill) std::raise(SIGKILL);
            return fault;
        case When::everyOperation:
            if (fault.kind == FileFault::Kind::shorten) return transfer ? fault : FileFault{};
            // Every other call, so that each operation is interrupted once and then goes ahead.
            lastInjected = !lastInjected;
            return lastInjected ? fault : FileFault{};
        }
        return {};
    }
};

} // namespace

FileFault fileFaultBefore(FileOperation operation, std::string_view name)
{
    static Orders orders;
    return orders.next(operation, name);
}

} // namespace calvorn
