// The record reader on arbitrary records: one block through the whole path (postfix, user
// parameters, spectrum files, sample unpacking, spectrum), as the viewer serves it, but from
// memory and in the calling thread, so that an input costs no file and no thread.
#include "sources/record/FileSource.h"
#include "sources/record/Postfix.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// One record held in memory in place of the file on disk.
class MemoryRecord : public FileSource {
public:
    MemoryRecord(const uint8_t *data, size_t size) : m_data(data), m_size(qint64(size)) {}

    bool recordExists() override { return true; }
    qint64 recordSize() override { return m_size; }

    bool readTail(int, QByteArray &tail, qint64 &size) override
    {
        const qint64 start = std::max<qint64>(0, m_size - PostfixTailBytes);
        tail = QByteArray::fromRawData(reinterpret_cast<const char *>(m_data) + start,
                                       int(m_size - start));
        size = m_size;
        return true;
    }

    bool readSpectra(ComplexD *values, uint64_t count) override
    {
        if (count > uint64_t(m_size) / sizeof(ComplexD))
            return false;
        std::memcpy(values, m_data, size_t(count * sizeof(ComplexD)));
        return true;
    }

    bool readSamples() override
    {
        const uint64_t frames = windowFrames(0);
        if (frames)
            storeFrames(0, m_data + m_window.windowStart * fileParams().frameBytes(), frames, 0);
        clearFrames(0, frames);
        return true;
    }

private:
    const uint8_t *m_data;
    qint64 m_size;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0; // an empty record is waited for, by design
    MemoryRecord source(data, size);
    source.setFftSize(64);
    // Records without postfix are read as one 16-bit channel.
    FileParams user = zeroedFileParams();
    user.channelCount = 1;
    user.bytesPerSample = 2;
    user.bitRange = 16;
    user.sampleRate = 1000;
    user.voltageRangeMv = 1000;
    source.setUserFileParams(user);
    source.serveInline();
    return 0;
}
