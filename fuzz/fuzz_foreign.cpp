// The readers of captures in other formats on arbitrary files: the first byte picks the format
// (WAV, .npy, .mat, SigMF, CSV; SigMF's metadata ends at the first zero byte, its data follows),
// the rest is the file. Opened, described and read whole, a bounded number of frames at a time.
#include "sources/foreign/ForeignReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void writeFile(const QString &path, const char *data, size_t size)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data, qint64(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const char *const suffixes[] = {"wav", "npy", "mat", "sigmf-meta", "csv"};
    const char *suffix = suffixes[data[0] % 5];
    const QString base = QDir::tempPath() + QStringLiteral("/orma-fuzz-foreign-%1").arg(QCoreApplication::applicationPid());
    const QString path = base + QLatin1Char('.') + QLatin1String(suffix);
    const char *body = reinterpret_cast<const char *>(data + 1);
    size_t bodySize = size - 1;
    if (data[0] % 5 == 3) {
        const char *zero = static_cast<const char *>(std::memchr(body, 0, bodySize));
        const size_t metaSize = zero ? size_t(zero - body) : bodySize;
        writeFile(base + QStringLiteral(".sigmf-data"), zero ? zero + 1 : body + bodySize,
                  zero ? bodySize - metaSize - 1 : 0);
        bodySize = metaSize;
    }
    writeFile(path, body, bodySize);
    QString error;
    if (std::unique_ptr<ForeignReader> reader = openForeignFile(path, error)) {
        FileParams params;
        QString problem;
        if (reader->describe({1e6, 12, 1000, true}, params, problem)) {
            const uint64_t step = 4096, frames = std::min<uint64_t>(params.sampleCount, 1 << 16);
            std::vector<uint8_t> words(size_t(step * params.frameBytes()));
            for (uint64_t first = 0; first < frames; first += step)
                if (reader->read(first, std::min(step, frames - first), words.data()) == 0)
                    break;
        }
    }
    return 0;
}
