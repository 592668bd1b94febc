// The processor's model as it names itself (the CPUID brand string on x86),
// for the reports and for telling one machine's measurements from another's.
#pragma once

#include <string>

namespace calvorn {

// "AMD EPYC 9454 48-Core Processor", or "unknown" where the processor has no name.
std::string processorModel();

} // namespace calvorn
