#include "sources/live/SharedRegion.h"

#include "sources/record/SystemFacts.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// The words live in the region's first page; one page is all that is ever mapped.
constexpr uint64_t WordViewBytes = 4096;

QByteArray shmName(const QString &name) { return "/" + name.toLocal8Bit(); }

} // namespace

void SharedRegion::noteError() const
{
    m_errno = errno;
    m_error = systemErrorText(m_errno);
}

bool SharedRegion::open(const QString &name)
{
    close();
    m_name = name;
    m_fd = ::shm_open(shmName(name).constData(), O_RDWR, 0);
    if (m_fd < 0)
        noteError();
    return m_fd >= 0;
}

bool SharedRegion::create(const QString &name, uint64_t bytes)
{
    close();
    m_name = name;
    // Viewer and producer may run as different users.
    const mode_t previous = ::umask(0);
    m_fd = ::shm_open(shmName(name).constData(), O_RDWR | O_CREAT, 0666);
    ::umask(previous);
    if (m_fd < 0) {
        noteError();
        return false;
    }
    return resize(bytes);
}

bool SharedRegion::unlink(const QString &name)
{
    return ::shm_unlink(shmName(name).constData()) == 0;
}

bool SharedRegion::isOrphaned() const
{
    if (m_fd < 0)
        return false;
    const int fd = ::shm_open(shmName(m_name).constData(), O_RDONLY, 0);
    if (fd < 0)
        return errno == ENOENT;
    struct stat now, ours;
    const bool same = ::fstat(fd, &now) == 0 && ::fstat(m_fd, &ours) == 0 &&
                      now.st_ino == ours.st_ino && now.st_dev == ours.st_dev;
    ::close(fd);
    return !same;
}

void SharedRegion::close()
{
    if (m_view)
        ::munmap(m_view, size_t(m_viewBytes));
    m_view = nullptr;
    m_viewBytes = 0;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

uint64_t SharedRegion::size() const
{
    struct stat info;
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || info.st_size < 0)
        return 0;
    return uint64_t(info.st_size);
}

bool SharedRegion::resize(uint64_t bytes)
{
    if (m_fd < 0 || bytes > uint64_t(INT64_MAX) || ::ftruncate(m_fd, off_t(bytes)) != 0) {
        noteError();
        return false;
    }
    return true;
}

uint64_t SharedRegion::readAt(uint64_t offset, void *dst, uint64_t bytes) const
{
    uint64_t done = 0;
    while (m_fd >= 0 && done < bytes && offset + done <= uint64_t(INT64_MAX)) {
        const ssize_t got = ::pread(m_fd, static_cast<char *>(dst) + done, size_t(bytes - done),
                                    off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += uint64_t(got);
    }
    return done;
}

bool SharedRegion::writeAt(uint64_t offset, const void *src, uint64_t bytes)
{
    uint64_t done = 0;
    while (m_fd >= 0 && done < bytes) {
        const ssize_t put = ::pwrite(m_fd, static_cast<const char *>(src) + done,
                                     size_t(bytes - done), off_t(offset + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            noteError();
            return false;
        }
        done += uint64_t(put);
    }
    return done == bytes;
}

bool SharedRegion::mapWords()
{
    if (m_view)
        return true;
    if (m_fd < 0)
        return false;
    void *view =
        ::mmap(nullptr, size_t(WordViewBytes), PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (view == MAP_FAILED) {
        noteError();
        return false;
    }
    m_view = view;
    m_viewBytes = WordViewBytes;
    return true;
}

int32_t *SharedRegion::word(int index) const
{
    // Past the region's end the mapping is no memory at all: check the size every time.
    const uint64_t end = uint64_t(index + 1) * sizeof(int32_t);
    if (index < 0 || end > WordViewBytes || end > size())
        return nullptr;
    if (!const_cast<SharedRegion *>(this)->mapWords())
        return nullptr;
    return static_cast<int32_t *>(m_view) + index;
}

bool SharedRegion::loadWord(int index, int32_t &value) const
{
    int32_t *at = word(index);
    if (at)
        value = __atomic_load_n(at, __ATOMIC_ACQUIRE);
    return at != nullptr;
}

bool SharedRegion::storeWord(int index, int32_t value)
{
    int32_t *at = word(index);
    if (at)
        __atomic_store_n(at, value, __ATOMIC_RELEASE);
    return at != nullptr;
}

bool SharedRegion::exchangeWord(int index, int32_t expected, int32_t desired)
{
    int32_t *at = word(index);
    return at && __atomic_compare_exchange_n(at, &expected, desired, false, __ATOMIC_ACQ_REL,
                                             __ATOMIC_ACQUIRE);
}
