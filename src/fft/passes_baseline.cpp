// The transforms' arithmetic for one lane and for two lanes, with the
// instruction set every build targets (SSE2 on x86-64).
#include "fft/lane_paths.h"
#include "fft/outer_passes.h"

namespace calvorn::fft {

void forwardPassesSingle(std::int32_t k, double* x) { forwardPasses<double>(k, x); }
void inversePassesSingle(std::int32_t k, double* x) { inversePasses<double>(k, x); }

#if defined(__GNUC__)
void forwardPassesPairs(std::int32_t k, double* x) { forwardPasses<LanePair>(k, x); }
void inversePassesPairs(std::int32_t k, double* x) { inversePasses<LanePair>(k, x); }
#else
void forwardPassesPairs(std::int32_t k, double* x) { forwardPasses<double>(k, x); }
void inversePassesPairs(std::int32_t k, double* x) { inversePasses<double>(k, x); }
#endif

} // namespace calvorn::fft
