// SigMF: the metadata (JSON, ".sigmf-meta") beside the samples (".sigmf-data"). "core:datatype"
// gives the element ([c|r] then f32, f64, i32, i16, i8, u32, u16 or u8, then _le or _be
// except for bytes), "core:num_channels" the channels, interleaved; complex samples are an I/Q
// pair of channels. "core:sample_rate" is the rate, the first capture's "core:frequency" the
// shift frequency. Integer samples use every bit of their type.
#include "sources/foreign/Readers.h"
#include "sources/foreign/TableReader.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace {

bool parseDatatype(const QString &text, TableLayout &layout, QString &error)
{
    static const QRegularExpression form(QStringLiteral("^([cr])(f32|f64|i32|i16|i8|u32|u16|u8)(_le|_be)?$"));
    const QRegularExpressionMatch m = form.match(text);
    const QString kind = m.captured(2);
    const bool bytes = kind.endsWith(QLatin1Char('8'));
    if (!m.hasMatch() || bytes != m.captured(3).isEmpty()) {
        error = QStringLiteral("core:datatype: «%1» не тип SigMF (например ci16_le, cf32_le, ri16_le, ru8)").arg(text);
        return false;
    }
    struct Row { const char *name; Element type; };
    static const Row rows[] = {{"f32", Element::Float32}, {"f64", Element::Float64},
                               {"i32", Element::Int32},   {"i16", Element::Int16},
                               {"i8", Element::Int8},     {"u32", Element::UInt32},
                               {"u16", Element::UInt16},  {"u8", Element::UInt8}};
    for (const Row &r : rows)
        if (kind == QLatin1String(r.name))
            layout.element.type = r.type;
    layout.element.bigEndian = m.captured(3) == QLatin1String("_be");
    layout.isComplex = m.captured(1) == QLatin1String("c");
    return true;
}

} // namespace

std::unique_ptr<ForeignReader> openSigmfFile(const QString &path, QString &error)
{
    const QFileInfo info(path);
    const QString base = info.path() + QLatin1Char('/') + info.completeBaseName();
    const QString metaPath = base + QStringLiteral(".sigmf-meta"), dataPath = base + QStringLiteral(".sigmf-data");
    QFile meta(metaPath);
    if (!meta.open(QIODevice::ReadOnly) || meta.size() > (64 << 20)) {
        error = QStringLiteral("%1: не открывается").arg(QFileInfo(metaPath).fileName());
        return nullptr;
    }
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(meta.readAll(), &parse);
    if (!doc.isObject()) {
        error = QStringLiteral("JSON: %1 (байт %2)").arg(parse.errorString()).arg(parse.offset);
        return nullptr;
    }
    const QJsonObject global = doc.object().value(QStringLiteral("global")).toObject();
    TableLayout layout;
    const QJsonValue datatype = global.value(QStringLiteral("core:datatype"));
    if (!datatype.isString()) {
        error = QStringLiteral("core:datatype: ключа нет в «global»");
        return nullptr;
    }
    if (!parseDatatype(datatype.toString(), layout, error))
        return nullptr;
    const QJsonValue rate = global.value(QStringLiteral("core:sample_rate"));
    if (!rate.isUndefined() && !(rate.toDouble(-1) > 0)) {
        error = QStringLiteral("core:sample_rate: нужно положительное число");
        return nullptr;
    }
    const double channels = global.value(QStringLiteral("core:num_channels")).toDouble(1);
    if (channels < 1 || channels > 65536 || channels != std::floor(channels)) {
        error = QStringLiteral("core:num_channels: нужно целое от 1 до 65536");
        return nullptr;
    }
    layout.channels = uint32_t(channels);
    const int frameBytes = layout.element.size() * (layout.isComplex ? 2 : 1) * int(layout.channels);
    const qint64 dataBytes = QFileInfo(dataPath).size();
    if (!QFileInfo(dataPath).isFile()) {
        error = QStringLiteral("%1: файла данных нет").arg(QFileInfo(dataPath).fileName());
        return nullptr;
    }
    if (dataBytes % frameBytes != 0) {
        error = QStringLiteral("%1: %2 байт не делятся на кадры по %3 байт (файл обрезан?)")
                    .arg(QFileInfo(dataPath).fileName()).arg(dataBytes).arg(frameBytes);
        return nullptr;
    }
    layout.frames = uint64_t(dataBytes) / uint64_t(frameBytes);
    // What the captures and annotations place must lie inside the data.
    const QJsonObject root = doc.object();
    uint64_t claimed = 0;
    QString claimer;
    const QJsonArray captures = root.value(QStringLiteral("captures")).toArray();
    for (const QJsonValue &c : captures) {
        const double startAt = c.toObject().value(QStringLiteral("core:sample_start")).toDouble(0);
        if (startAt > claimed) {
            claimed = uint64_t(startAt);
            claimer = QStringLiteral("captures: core:sample_start");
        }
    }
    for (const QJsonValue &a : root.value(QStringLiteral("annotations")).toArray()) {
        const QJsonObject o = a.toObject();
        const double end = o.value(QStringLiteral("core:sample_start")).toDouble(0) +
                           o.value(QStringLiteral("core:sample_count")).toDouble(0);
        if (end > claimed) {
            claimed = uint64_t(end);
            claimer = QStringLiteral("annotations: core:sample_start + core:sample_count");
        }
    }
    if (claimed > layout.frames) {
        error = QStringLiteral("%1 = %2, а в %3 только %4 отсчётов")
                    .arg(claimer).arg(claimed).arg(QFileInfo(dataPath).fileName()).arg(layout.frames);
        return nullptr;
    }
    auto reader = std::make_unique<TableReader>();
    if (!reader->open(dataPath, layout, error))
        return nullptr;
    const double shift = captures.isEmpty() ? 0.0
                         : captures.at(0).toObject().value(QStringLiteral("core:frequency")).toDouble(0);
    reader->setCarried(rate.toDouble(0), layout.element.isFloat() ? 0 : 8 * layout.element.size(),
                       std::vector<double>(reader->format().channelCount, shift));
    return reader;
}
