#pragma once
// Arrays handed from one writer to readers in other threads without copying: the writer takes
// a buffer no reader holds, fills it and publishes it as a shared pointer; when the last reader
// lets go, the buffer returns to the pool for the writer's next block. The pool's mutex orders
// the reader's last access before the writer's next write.
#include "dsp/LargeArray.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

class BufferPool {
public:
    BufferPool();
    ~BufferPool();
    BufferPool(const BufferPool &) = delete;
    BufferPool &operator=(const BufferPool &) = delete;

    // `count` doubles that nobody else holds: a returned buffer of that size, or a new one
    // (uninitialised). Null when the memory is not available.
    std::shared_ptr<double[]> take(size_t count);
    // Buffers of the current size waiting for reuse.
    size_t idleCount() const;

private:
    struct Shelf {
        mutable std::mutex mutex;
        size_t count = 0; // the size the shelf keeps; other sizes are freed on return
        std::vector<LargeArray<double>> idle;
    };
    std::shared_ptr<Shelf> m_shelf;
};
