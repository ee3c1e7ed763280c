// orma-plugin-invert: a plug-in for the viewer and a model for writing others. It reads the
// record files named in the INI file beside itself (section "00", "DataFileNum", "DataFile0"...),
// writes each one's samples negated into the modified copy ("_mdfy.bin" for ".bin", the postfix
// kept), and then stays until the viewer ends it (or its input closes), since the viewer shows
// the copies for as long as the plug-in runs.
#include "sources/settings/IniFile.h"
#include "sources/plugins/PluginLauncher.h"
#include "sources/record/Postfix.h"
#include "sources/SampleCodes.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <vector>

namespace {

void fail(const QString &message)
{
    std::fprintf(stderr, "orma-plugin-invert: %s\n", message.toLocal8Bit().constData());
}

// The record's description from its postfix; false when it has none that parses.
bool readParams(QFile &record, FileParams &params)
{
    const qint64 size = record.size();
    const qint64 tailSize = std::min<qint64>(size, PostfixTailBytes);
    if (!record.seek(size - tailSize))
        return false;
    const PostfixSearch found = findPostfix(record.read(tailSize));
    return found.found && parsePostfix(found.text, params) == PostfixParsed &&
           params.hasChannels() && params.bytesPerSample > 0;
}

int32_t negated(int32_t code, int bits)
{
    const int32_t top = bits >= 32 ? INT32_MAX : int32_t((int64_t(1) << (bits - 1)) - 1);
    return code <= -top ? top : -code; // the most negative code has no positive twin
}

// Writes the copy under a temporary name and renames it at the end, so that the viewer never
// opens a half-written copy.
bool invertRecord(const QString &path)
{
    const QString copy = modifiedCopyPath(path);
    if (copy.isEmpty()) {
        fail(path + ": the name does not end in .bin");
        return false;
    }
    QFile in(path);
    FileParams p;
    if (!in.open(QIODevice::ReadOnly) || !readParams(in, p)) {
        fail(path + ": not a record with a postfix");
        return false;
    }
    const QString part = copy + QStringLiteral(".part");
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(part + ": cannot be written");
        return false;
    }
    const int bytes = p.bytesPerSample;
    const uint64_t dataBytes = std::min<uint64_t>(p.sampleCount * p.frameBytes(), uint64_t(in.size()));
    in.seek(0);
    constexpr qint64 chunk = 1 << 20;
    uint64_t done = 0;
    bool ok = true;
    while (ok && done < uint64_t(in.size())) {
        QByteArray block = in.read(chunk - chunk % qint64(p.frameBytes()));
        if (block.isEmpty())
            break;
        auto *raw = reinterpret_cast<uint8_t *>(block.data());
        // Samples up to the end of the data; the postfix and anything after it stay as they are.
        const uint64_t samplesHere = done < dataBytes ? std::min<uint64_t>(block.size(), dataBytes - done) / bytes : 0;
        for (uint64_t s = 0; s < samplesHere; ++s) {
            uint8_t *at = raw + s * bytes;
            if (p.codeType == CodeFloat) {
                at[bytes - 1] ^= 0x80; // an IEEE sample's sign is its top bit
                continue;
            }
            uint32_t word = 0;
            for (int b = 0; b < bytes; ++b)
                word |= uint32_t(at[b]) << (8 * b);
            const int32_t code = decodeSample(word, bytes, p.codeType, p.bitRange);
            word = encodeSample(negated(code, p.bitRange), bytes, p.codeType, p.bitRange);
            for (int b = 0; b < bytes; ++b)
                at[b] = uint8_t(word >> (8 * b));
        }
        ok = out.write(block) == block.size();
        done += uint64_t(block.size());
    }
    out.close();
    if (!ok || std::rename(QFile::encodeName(part).constData(), QFile::encodeName(copy).constData()) != 0) {
        QFile::remove(part);
        fail(copy + ": cannot be written");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString iniPath = pluginIniPath(QCoreApplication::applicationFilePath());
    const IniFile ini(iniPath);
    const int count = ini.readInt(QStringLiteral("00/DataFileNum"), 0, 0, 10000);
    if (count == 0) {
        fail(iniPath + ": no record files in section 00");
        return 2;
    }
    for (int i = 0; i < count; ++i) {
        const QString record = ini.readText(QStringLiteral("00/DataFile%1").arg(i), QString());
        if (!invertRecord(record))
            return 2;
    }
    // Until the viewer kills us, or its end closes our input.
    char buffer[256];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    return 0;
}
