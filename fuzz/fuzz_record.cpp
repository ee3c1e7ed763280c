// The record reader on arbitrary files: one block through the whole path (postfix, user
// parameters, spectrum files, sample reading, spectrum), as the viewer serves it.
#include "sources/FileSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstddef>
#include <cstdint>

namespace {

QString recordPath()
{
    static QTemporaryDir dir;
    return dir.filePath("fuzz.bin");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0; // an empty record is waited for, by design
    static int argc = 1;
    static char name[] = "fuzz_record";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    {
        QFile file(recordPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    FileSource source;
    source.setFileName(recordPath());
    source.setPollInterval(0);
    source.setFftSize(64);
    // Records without postfix are read as one 16-bit channel.
    FileParams user = zeroedFileParams();
    user.channelCount = 1;
    user.bytesPerSample = 2;
    user.bitRange = 16;
    user.sampleRate = 1000;
    user.voltageRangeMv = 1000;
    source.setUserFileParams(user);
    source.requestData();
    while (source.isRequestPending())
        QThread::usleep(20);
    return 0;
}
