#include "platform/system_facts.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/utsname.h>
#endif

namespace calvorn {
namespace {

std::string trimmed(std::string text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// The 48-byte brand string of CPUID leaves 0x80000002 to 0x80000004.
std::string processorBrand()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned registers[12] = {};
    if (__get_cpuid_max(0x80000000u, nullptr) < 0x80000004u) return "unknown";
    for (unsigned leaf = 0; leaf < 3; ++leaf)
        __get_cpuid(0x80000002u + leaf, &registers[4 * leaf], &registers[4 * leaf + 1], &registers[4 * leaf + 2],
                    &registers[4 * leaf + 3]);
    char brand[49] = {};
    std::memcpy(brand, registers, 48);
    const std::string text = trimmed(brand);
    return text.empty() ? "unknown" : text;
#else
    return "unknown";
#endif
}

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
    facts.processorModel = processorBrand();
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
