#include "dsp/BufferPool.h"

#include <cstdint>

namespace {

// Two idle buffers cover a reader that still holds the block before the one being written.
constexpr size_t MaxIdle = 2;

} // namespace

BufferPool::BufferPool() : m_shelf(std::make_shared<Shelf>()) {}

BufferPool::~BufferPool() = default;

std::shared_ptr<double[]> BufferPool::take(size_t count)
{
    if (count == 0)
        return nullptr;
    LargeArray<double> buffer;
    {
        std::lock_guard<std::mutex> lock(m_shelf->mutex);
        if (m_shelf->count != count) {
            m_shelf->idle.clear();
            m_shelf->count = count;
        } else if (!m_shelf->idle.empty()) {
            buffer = std::move(m_shelf->idle.back());
            m_shelf->idle.pop_back();
        }
    }
    if (!buffer)
        buffer = largeArray<double>(count);
    if (!buffer)
        return nullptr;
    // The last holder gives the buffer back, or frees it when the pool is gone or has moved on
    // to another size.
    std::weak_ptr<Shelf> home = m_shelf;
    return std::shared_ptr<double[]>(buffer.release(), [home, count](double *p) {
        LargeArray<double> owned(p);
        if (auto shelf = home.lock()) {
            std::lock_guard<std::mutex> lock(shelf->mutex);
            if (shelf->count == count && shelf->idle.size() < MaxIdle)
                shelf->idle.push_back(std::move(owned));
        }
    });
}

size_t BufferPool::idleCount() const
{
    std::lock_guard<std::mutex> lock(m_shelf->mutex);
    return m_shelf->idle.size();
}
