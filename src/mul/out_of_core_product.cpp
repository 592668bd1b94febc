// Stand-in for the out-of-core products until they are built: any product
// too long for the work area ends the run with a failure.
#include "mul/out_of_core_product.h"

#include "storage/run_errors.h"

namespace calvorn {
namespace {
[[noreturn]] void unavailable() { throw RunFailure("out-of-core product not available"); }
} // namespace

void outOfCoreProduct(RunContext&, StoredNumber&, StoredNumber&, StoredNumber&, std::int32_t) { unavailable(); }
void outOfCoreProductKeep(RunContext&, StoredNumber&, StoredNumber&, StoredNumber&, std::int32_t) { unavailable(); }
void outOfCoreProductFixed(RunContext&, StoredNumber&, StoredNumber&, StoredNumber&, std::int32_t) { unavailable(); }
void outOfCoreProductReuse(RunContext&, StoredNumber&, StoredNumber&, StoredNumber&, std::int32_t) { unavailable(); }
void outOfCoreSquare(RunContext&, StoredNumber&, StoredNumber&, std::int32_t) { unavailable(); }
void outOfCoreHalfSquare(RunContext&, StoredNumber&, StoredNumber&, std::int32_t) { unavailable(); }
void outOfCoreHalfProduct(RunContext&, StoredNumber&, StoredNumber&, StoredNumber&, std::int32_t) { unavailable(); }
void outOfCoreHalfProductReuse(RunContext&, StoredNumber&, StoredNumber&, StoredNumber&, std::int32_t)
{
    unavailable();
}

} // namespace calvorn
