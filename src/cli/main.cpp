// calvorn [SIZE] [options] | --records | --history | --help | --version:
// computes pi in the current directory, keeps the best time per size in
// "pi_rec.txt" and every run in the user's history. Ctrl+C stops a run.
#include <cstdio>
#include <string>
#include <vector>

#include "app/transform_plan_cache.h"
#include "app/run_history.h"
#include "cli/console_app.h"
#include "cli/console_environment.h"

#ifdef _WIN32
#include "platform/win32/console_host.h"
#else
#include "platform/posix/console_host.h"
#endif

int main(int argc, char** argv)
{
#ifndef _WIN32
    // Before any file is opened: a closed standard output must not become a work file.
    calvorn::openNullOnClosedStandardDescriptors();
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    calvorn::ConsoleHost host(stdout, stderr);
    calvorn::ConsoleSettings settings;
    settings.language = calvorn::userLanguage();
    if (const auto fault = calvorn::faultTargetFromEnvironment()) {
        settings.faultyRun = fault->run;
        settings.faultyCore = fault->core;
    }
    settings.hangLimit = calvorn::hangLimitFromEnvironment();
    settings.planCacheFile = calvorn::transformPlanCacheFile();
    settings.historyFile = calvorn::userHistoryFile();
#ifdef _WIN32
    return calvorn::runConsole(args, host, stdout, stderr, calvorn::writeUtf8, settings);
#else
    return calvorn::runConsole(args, host, stdout, stderr, calvorn::writeBytes, settings);
#endif
}
