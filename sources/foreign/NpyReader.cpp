// NumPy .npy: "\x93NUMPY", version, header length, a Python dict literal with 'descr',
// 'fortran_order' and 'shape', then the array. A 1-D array is one channel; of a 2-D array the
// shorter dimension is the channels. The rate and bits are not in the file; floats may be codes.
#include "sources/foreign/Readers.h"
#include "sources/foreign/TableReader.h"

#include <QFile>
#include <QRegularExpression>

namespace {

bool elementOf(const QString &descr, ElementFormat &f, bool &isComplex, QString &error)
{
    static const QRegularExpression form(QStringLiteral("^([<>|=])([iufc])(\\d+)$"));
    const QRegularExpressionMatch m = form.match(descr);
    const int size = m.hasMatch() ? m.captured(3).toInt() : 0;
    const QChar kind = m.hasMatch() ? m.captured(2).at(0) : QChar();
    isComplex = kind == QLatin1Char('c');
    const int real = isComplex ? size / 2 : size;
    struct Row { char kind; int size; Element type; };
    static const Row rows[] = {{'i', 1, Element::Int8},    {'u', 1, Element::UInt8},
                               {'i', 2, Element::Int16},   {'u', 2, Element::UInt16},
                               {'i', 4, Element::Int32},   {'u', 4, Element::UInt32},
                               {'i', 8, Element::Int64},   {'u', 8, Element::UInt64},
                               {'f', 4, Element::Float32}, {'f', 8, Element::Float64},
                               {'c', 4, Element::Float32}, {'c', 8, Element::Float64}};
    for (const Row &r : rows) {
        if (QLatin1Char(r.kind) == kind && r.size == real) {
            f.type = r.type;
            f.bigEndian = m.captured(1) == QLatin1String(">");
            return true;
        }
    }
    error = QStringLiteral("descr: тип «%1» не поддерживается (нужны целые, float32/64 или complex64/128)").arg(descr);
    return false;
}

} // namespace

std::unique_ptr<ForeignReader> openNpyFile(const QString &path, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("файл не открывается (%1)").arg(file.errorString());
        return nullptr;
    }
    const QByteArray start = file.read(12);
    if (start.size() < 10 || !start.startsWith("\x93NUMPY")) {
        error = QStringLiteral("заголовок: нет метки \\x93NUMPY");
        return nullptr;
    }
    const int major = uint8_t(start[6]);
    const auto byte = [&](int i) { return uint32_t(uint8_t(start[i])); };
    qint64 headerAt = 10, length = byte(8) | byte(9) << 8;
    if (major >= 2) {
        if (start.size() < 12) {
            error = QStringLiteral("заголовок: файл обрывается");
            return nullptr;
        }
        headerAt = 12;
        length = qint64(byte(8) | byte(9) << 8 | byte(10) << 16 | byte(11) << 24);
    }
    if (major < 1 || major > 3 || length > (1 << 20) || !file.seek(headerAt)) {
        error = QStringLiteral("заголовок: версия %1 или длина %2 не поддерживаются").arg(major).arg(length);
        return nullptr;
    }
    const QString header = QString::fromLatin1(file.read(length));
    if (header.size() != length) {
        error = QStringLiteral("заголовок: файл обрывается");
        return nullptr;
    }
    static const QRegularExpression descrKey(QStringLiteral("'descr'\\s*:\\s*'([^']*)'"));
    static const QRegularExpression orderKey(QStringLiteral("'fortran_order'\\s*:\\s*(True|False)"));
    static const QRegularExpression shapeKey(QStringLiteral("'shape'\\s*:\\s*\\(([^)]*)\\)"));
    const QRegularExpressionMatch descr = descrKey.match(header), order = orderKey.match(header),
                                  shape = shapeKey.match(header);
    if (!descr.hasMatch() || !order.hasMatch() || !shape.hasMatch()) {
        error = QStringLiteral("заголовок: нет ключа %1")
                    .arg(!descr.hasMatch() ? "'descr'" : !order.hasMatch() ? "'fortran_order'" : "'shape'");
        return nullptr;
    }
    TableLayout layout;
    if (!elementOf(descr.captured(1), layout.element, layout.isComplex, error))
        return nullptr;
    std::vector<uint64_t> dims;
    for (const QString &item : shape.captured(1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const qulonglong d = item.trimmed().toULongLong(&ok);
        if (!ok) {
            error = QStringLiteral("shape: «%1» не целое число").arg(item.trimmed());
            return nullptr;
        }
        dims.push_back(d);
    }
    if (dims.empty() || dims.size() > 2) {
        error = QStringLiteral("shape: нужен массив из одного или двух измерений, дано %1").arg(dims.size());
        return nullptr;
    }
    const bool fortran = order.captured(1) == QLatin1String("True");
    if (dims.size() == 1) {
        layout.frames = dims[0];
        layout.channels = 1;
    } else {
        // The shorter dimension holds the channels.
        const bool channelsFirst = dims[0] < dims[1];
        layout.channels = uint32_t(std::min<uint64_t>(std::min(dims[0], dims[1]), 1u << 16));
        if (std::min(dims[0], dims[1]) > (1u << 16)) {
            error = QStringLiteral("shape: больше 65536 каналов");
            return nullptr;
        }
        layout.frames = std::max(dims[0], dims[1]);
        // C order keeps the last index together: rows of frames are interleaved frames.
        layout.channelMajor = channelsFirst != fortran;
    }
    layout.dataOffset = headerAt + length;
    auto reader = std::make_unique<TableReader>();
    if (!reader->open(path, layout, error))
        return nullptr;
    reader->takeCodesInFloats();
    return reader;
}
