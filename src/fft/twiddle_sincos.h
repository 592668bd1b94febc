// The cosine and sine of the transforms' twiddle angles, correctly rounded:
// the double nearest the exact value for the given double argument, with
// nothing but IEEE additions, subtractions, multiplications and divisions of
// doubles, so that every build and every processor gets the same bits.
#pragma once

#include <span>

namespace calvorn::fft {

// The twiddle angles lie in [0, pi/8): (2 * rev) * (pi / span) with pi the
// double 3.141592653589793. Outside [0, 0.4] the results are not correctly
// rounded (the series is cut for that interval).
struct CosineSine {
    double cosine = 1.0;
    double sine = 0.0;
};

CosineSine twiddleCosineSine(double angle);

// The same for many angles (the same bits as one at a time, only faster);
// cosines and sines hold at least angles.size() doubles.
void twiddleCosinesSines(std::span<const double> angles, std::span<double> cosines, std::span<double> sines);

} // namespace calvorn::fft
