#pragma once
// Arrays of megabytes (spectra, transform data, windows at millions of points): aligned for
// any vector load and, where the kernel offers it, backed by huge pages, so that the first
// block's writes into a fresh 64 MB array take a few dozen page faults instead of 16384.
#include <cstddef>
#include <memory>

// Uninitialised memory for `bytes` (at least 64-byte aligned), or null when there is none.
void *allocateLarge(size_t bytes);

struct LargeDeleter {
    void operator()(void *p) const;
};
template <typename T> using LargeArray = std::unique_ptr<T[], LargeDeleter>;

// `count` uninitialised elements of a trivial type; null when the memory is not available or
// the size overflows.
template <typename T> LargeArray<T> largeArray(size_t count)
{
    if (count > size_t(-1) / sizeof(T))
        return nullptr;
    return LargeArray<T>(static_cast<T *>(allocateLarge(sizeof(T) * count)));
}
