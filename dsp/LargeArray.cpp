#include "dsp/LargeArray.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr size_t kVectorAlign = 64;
constexpr size_t kHugePage = size_t(2) << 20;
// Below this the rounding to whole huge pages would waste too large a share.
constexpr size_t kHugeFrom = 4 * kHugePage;

size_t roundUp(size_t bytes, size_t to) { return (bytes + to - 1) / to * to; }

} // namespace

void *allocateLarge(size_t bytes)
{
    if (bytes == 0 || bytes > size_t(-1) - kHugePage)
        return nullptr;
    if (bytes < kHugeFrom)
        return std::aligned_alloc(kVectorAlign, roundUp(bytes, kVectorAlign));
    const size_t rounded = roundUp(bytes, kHugePage);
    void *p = std::aligned_alloc(kHugePage, rounded);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only a hint: where transparent huge pages are off, the memory stays in small pages.
    if (p)
        madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return p;
}

void LargeDeleter::operator()(void *p) const { std::free(p); }
