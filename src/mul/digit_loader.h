// loadDigits: turns a run of words of a stored number into base-10^4 digits
// in a transform array, high digit first. Reads the number's blocks through
// firstBlockBuffer; writes only the first 2m elements of the array.
// viewDigits: the same digits handed to the transform's first pass as it
// reads them, so that they are not written to the array and read back.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "fft/real_data_source.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// Words j .. j+m-1 of x go to array elements 0 .. 2m-1: the t-th word of the
// run gives its hi digit at 2(t-1) and its lo digit at 2(t-1)+1.
void loadDigits(RunContext& run, StoredNumber& x, std::span<double> array, std::int32_t j, std::int32_t m);

// The digits loadDigits would write, as a transform's data source: element
// 2(t-1) and 2(t-1)+1 are the digits of the t-th word, every element from 2m
// on is zero. Each block of the run is seen through its file's view where it
// can be; a block that had to be read is split into its place in the array
// at once (the block buffer serves the next block), and the source gives
// those elements from there.
// A run longer than the view may hold gives back the pages it looked at
// when its source goes (the transform has read them by then).
class DigitSource final : public fft::RealDataSource {
public:
    DigitSource(DigitSource&& other) noexcept;
    DigitSource(const DigitSource&) = delete;
    DigitSource& operator=(const DigitSource&) = delete;
    DigitSource& operator=(DigitSource&&) = delete;
    ~DigitSource();

    void load(std::span<double> to, std::size_t element) const override;

private:
    friend DigitSource viewDigits(RunContext& run, StoredNumber& x, std::span<double> array, std::int32_t j,
                                  std::int32_t m);

    // The words of the run in each block it touches, in order: the first
    // starts at the run's first word, every later one at a block's first
    // word. An empty piece was split into the array.
    DigitSource() = default;

    std::vector<std::span<const std::int32_t>> pieces_;
    StoredNumber* viewedFrom_ = nullptr; // whose view to give back at the end
    std::span<double> array_;
    std::size_t blockWords_ = 0;
    std::size_t firstPosition_ = 0; // the run's first word within its block
    std::size_t words_ = 0;
};

// The blocks of words j .. j+m-1 of x, passed in the order and with the
// counts loadDigits gives them; the source stays valid while x is open and
// the array holds what this put there.
DigitSource viewDigits(RunContext& run, StoredNumber& x, std::span<double> array, std::int32_t j, std::int32_t m);

} // namespace calvorn
