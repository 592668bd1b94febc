// Real data that a forward transform takes from elsewhere instead of from
// its array: the first pass asks for each run of the lower half just before
// it reads it, into a buffer of its own, so that the data never goes to
// memory only to be read back. Every element the source gives is the double
// the array would have held, so the transform's bits do not change.
#pragma once

#include <cstddef>
#include <span>

namespace calvorn::fft {

class RealDataSource {
public:
    // Writes elements [element, element + to.size()) of the data to `to`.
    // element and to.size() are even; `to` may be the array's own place for
    // those elements.
    virtual void load(std::span<double> to, std::size_t element) const = 0;

protected:
    RealDataSource() = default;
    RealDataSource(const RealDataSource&) = default;
    RealDataSource& operator=(const RealDataSource&) = default;
    ~RealDataSource() = default;
};

} // namespace calvorn::fft
