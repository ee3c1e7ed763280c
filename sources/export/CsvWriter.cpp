#include "sources/export/CsvWriter.h"

CsvWriter::CsvWriter(const QString &path)
    : m_path(path), m_file(path)
{
}

QString CsvWriter::failure() const
{
    return QStringLiteral("cannot write %1: %2").arg(m_path, m_file.errorString());
}

QString CsvWriter::open()
{
    if (m_path.isEmpty())
        return QStringLiteral("no file name given");
    if (!m_file.open(QIODevice::WriteOnly))
        return failure();
    m_file.write("\xEF\xBB\xBF");
    return QString();
}

void CsvWriter::writeRow(const QStringList &fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString &f : fields)
        quoted << field(f);
    m_file.write((quoted.join(QLatin1Char(',')) + QLatin1String("\r\n")).toUtf8());
}

QString CsvWriter::commit()
{
    return m_file.commit() ? QString() : failure();
}

QString CsvWriter::field(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
