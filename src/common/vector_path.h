// Whether the loops that have a version for AVX2 may take it: the build
// compiled that version (CALVORN_AVX2) and the processor can run it. Either
// version gives the same bits; the choice is only about speed.
#pragma once

namespace calvorn {

inline bool avx2Usable()
{
#if defined(CALVORN_AVX2)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

} // namespace calvorn
