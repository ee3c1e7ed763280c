#pragma once
// One named shared-memory region (POSIX shm_open("/" + name)). The viewer opens regions that a
// producer made and never creates or resizes them; the producer side creates, sizes and
// unlinks them.
//
// Bytes are copied with pread(), which the kernel bounds by the region's size at that moment:
// a producer that shrinks a region can never make a copy fault (SIGBUS), as a copy out of a
// mapping would. Only the flag words are read and written through a mapping, as 32-bit
// atomics, and only within the size fstat() reports just before.
#include <QString>

#include <cstdint>

class SharedRegion {
public:
    SharedRegion() = default;
    ~SharedRegion() { close(); }
    SharedRegion(const SharedRegion &) = delete;
    SharedRegion &operator=(const SharedRegion &) = delete;

    // Opens an existing region for reading and writing; false (errno kept) when it is absent.
    bool open(const QString &name);
    // Producer: creates (or takes over) the region and sizes it to `bytes`.
    bool create(const QString &name, uint64_t bytes);
    // Producer: removes the name; views already open stay valid until closed.
    static bool unlink(const QString &name);
    void close();

    bool isOpen() const { return m_fd >= 0; }
    // The name no longer leads to this region: removed, or made anew by another producer.
    bool isOrphaned() const;
    const QString &name() const { return m_name; }
    // The region's size now, 0 when it is not open.
    uint64_t size() const;
    bool resize(uint64_t bytes);

    // Copies up to `bytes` from `offset`; returns the bytes copied (fewer past the region's end).
    uint64_t readAt(uint64_t offset, void *dst, uint64_t bytes) const;
    bool writeAt(uint64_t offset, const void *src, uint64_t bytes);

    // The 32-bit word `index` (0-based) through the mapping: false when the region does not
    // hold it now. Loads acquire, stores release.
    bool loadWord(int index, int32_t &value) const;
    bool storeWord(int index, int32_t value);
    // Replaces `expected` by `desired` only while the word still holds `expected`.
    bool exchangeWord(int index, int32_t expected, int32_t desired);

    // The error of the last failed call, as text and as its number.
    QString errorText() const { return m_error; }
    int errorNumber() const { return m_errno; }

private:
    void noteError() const;
    bool mapWords();
    int32_t *word(int index) const;

    QString m_name;
    int m_fd = -1;
    void *m_view = nullptr;
    uint64_t m_viewBytes = 0;
    mutable int m_errno = 0;
    mutable QString m_error;
};
