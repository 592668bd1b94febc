#include "platform/system_facts.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/processor_model.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/utsname.h>
#endif

namespace calvorn {
namespace {

#ifdef _WIN32
// RtlGetVersion tells the true version whatever the program's manifest says.
void readWindowsVersion(SystemFacts& facts)
{
    facts.systemName = "Windows";
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto getVersion =
        ntdll != nullptr ? reinterpret_cast<RtlGetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                         : nullptr;
    if (getVersion == nullptr || getVersion(&info) != 0) {
        facts.systemVersion = "unknown";
        return;
    }
    facts.systemVersion = std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
                          std::to_string(info.dwBuildNumber);
}
#endif

} // namespace

SystemFacts readSystemFacts()
{
    SystemFacts facts;
    facts.processorModel = processorModel();
    facts.logicalProcessors = std::thread::hardware_concurrency();
#ifdef _WIN32
    readWindowsVersion(facts);
#else
    utsname names{};
    if (uname(&names) == 0) {
        facts.systemName = names.sysname;
        facts.systemVersion = names.release;
    } else {
        facts.systemName = facts.systemVersion = "unknown";
    }
#endif
    return facts;
}

std::string utcTimestamp()
{
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{now - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

} // namespace calvorn
