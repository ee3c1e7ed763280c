#pragma once
// Reads one member of a zip package (an .xlsx workbook) through zlib, so that a test can look
// at what a spreadsheet program would read.
#include <QByteArray>
#include <QString>

#include <zlib.h>

#include <cstdint>

namespace kit {

inline uint32_t zipLe(const QByteArray &b, qsizetype at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | uint8_t(b.at(at + i));
    return v;
}

// The uncompressed member, or an empty array when the package has no such member.
inline QByteArray zipEntry(const QByteArray &zip, const QString &name)
{
    const qsizetype end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0 || end + 22 > zip.size())
        return {};
    const uint32_t entries = zipLe(zip, end + 10, 2);
    qsizetype at = zipLe(zip, end + 16, 4);
    for (uint32_t e = 0; e < entries && at + 46 <= zip.size(); ++e) {
        const uint32_t method = zipLe(zip, at + 10, 2), packed = zipLe(zip, at + 20, 4),
                       size = zipLe(zip, at + 24, 4), nameLength = zipLe(zip, at + 28, 2),
                       extra = zipLe(zip, at + 30, 2), comment = zipLe(zip, at + 32, 2),
                       local = zipLe(zip, at + 42, 4);
        if (zip.mid(at + 46, nameLength) == name.toUtf8()) {
            const qsizetype data = local + 30 + zipLe(zip, local + 26, 2) + zipLe(zip, local + 28, 2);
            const QByteArray stored = zip.mid(data, packed);
            if (method == 0)
                return stored;
            QByteArray out(int(size), '\0');
            z_stream s{};
            if (inflateInit2(&s, -MAX_WBITS) != Z_OK)
                return {};
            s.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(stored.data()));
            s.avail_in = uInt(stored.size());
            s.next_out = reinterpret_cast<Bytef *>(out.data());
            s.avail_out = uInt(out.size());
            const int status = inflate(&s, Z_FINISH);
            inflateEnd(&s);
            return status == Z_STREAM_END ? out : QByteArray();
        }
        at += 46 + nameLength + extra + comment;
    }
    return {};
}

} // namespace kit
