#include "sources/record/FlagFile.h"

#include <QFileInfo>

namespace {

void putWord(char *out, int32_t v)
{
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i)
        out[i] = char(uint8_t(u >> (8 * i)));
}

int32_t getWord(const char *in)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= uint32_t(uint8_t(in[i])) << (8 * i);
    return int32_t(u);
}

} // namespace

QString FlagFile::pathFor(const QString &recordPath)
{
    const int at = recordPath.indexOf(QLatin1String(".bin"));
    if (at < 0)
        return QString();
    QString path = recordPath;
    return path.replace(at, 4, QLatin1String(".flg"));
}

bool FlagFile::exists() const { return !m_path.isEmpty() && QFileInfo::exists(m_path); }

bool FlagFile::open(QFile &file, QIODevice::OpenMode mode,
                    const StopRequested &stopRequested) const
{
    if (!exists())
        return false;
    // Producer and viewer may run as different users.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                        QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther);
    return openWithRetry(file, mode | QIODevice::Unbuffered, stopRequested);
}

bool FlagFile::read(FlagWord &out, const StopRequested &stopRequested) const
{
    QFile file(m_path);
    if (!open(file, QIODevice::ReadOnly, stopRequested))
        return false;
    char bytes[8];
    if (file.read(bytes, 8) != 8)
        return false;
    out.state = getWord(bytes);
    out.value = getWord(bytes + 4);
    return true;
}

bool FlagFile::write(FlagWord word, const StopRequested &stopRequested) const
{
    QFile file(m_path);
    if (!open(file, QIODevice::ReadWrite, stopRequested))
        return false;
    char bytes[8];
    putWord(bytes, word.state);
    putWord(bytes + 4, word.value);
    if (file.write(bytes, 8) != 8)
        return false;
    if (file.size() > 8)
        file.resize(8);
    return true;
}
