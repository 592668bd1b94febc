// leadingValue and setLeadingValue: a double moved out of and into the two
// leading words of a number, through block 1 only.
#include "arith/element_ops.h"

#include "arith/word_base.h"
#include "common/numeric.h"
#include "storage/block_transfer.h"

namespace calvorn {

double leadingValue(RunContext& run, StoredNumber& x)
{
    readBlock(run, x, 1, run.firstBlockBuffer);
    const BlockBuffer& r = run.firstBlockBuffer;
    return (static_cast<double>(r[0]) + static_cast<double>(r[1]) * inverseWordBase) * inverseWordBase;
}

void setLeadingValue(RunContext& run, double v, StoredNumber& x)
{
    BlockBuffer& r = run.firstBlockBuffer;
    readBlock(run, x, 1, r);
    const double t = v * wordBase;
    r[0] = toWord(truncateTowardZero(t));
    r[1] = toWord(truncateTowardZero((t - static_cast<double>(r[0])) * wordBase));
    // Words 3 .. blockWords of block 1 keep what they held.
    writeBlock(run, x, 1, r);
}

} // namespace calvorn
