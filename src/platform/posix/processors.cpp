#include "platform/processors.h"

#include <cerrno>
#include <sched.h>

#include "platform/owned_files.h"

namespace calvorn {

std::vector<int> usableProcessors()
{
    std::vector<int> processors;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        for (int processor = 0; processor < CPU_SETSIZE; ++processor)
            if (CPU_ISSET(processor, &set)) processors.push_back(processor);
    if (processors.empty()) processors.push_back(0);
    return processors;
}

std::optional<std::string> pinToProcessor(int processor)
{
    if (processor < 0 || processor >= CPU_SETSIZE) return systemErrorText(EINVAL);
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(processor, &set);
    if (sched_setaffinity(0, sizeof set, &set) != 0) return systemErrorText(errno);
    return std::nullopt;
}

} // namespace calvorn
