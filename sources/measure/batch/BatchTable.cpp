#include "sources/measure/batch/BatchTable.h"

#include "sources/measure/ReportText.h"
#include "sources/measure/devparams/DeviceTableReport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// The columns before the figures, and the verdicts after them.
const char *const LeadKeys[] = {"index", "file", "channel", "status", "reason"};

QString csvCell(const QString &text)
{
    if (!text.contains(QRegularExpression(QStringLiteral("[\",\r\n]"))))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvNumber(double v, int decimals)
{
    return std::isfinite(v) ? formatNumber(v, decimals) : QString();
}

QString verdictCell(Verdict v)
{
    return v == Verdict::NotJudged ? QString() : v == Verdict::Pass ? QStringLiteral("1")
                                                                     : QStringLiteral("0");
}

QJsonValue verdictJson(Verdict v)
{
    return v == Verdict::NotJudged ? QJsonValue() : QJsonValue(v == Verdict::Pass);
}

// Each cell of a row in the table's order, as CSV text and as JSON.
struct Row {
    QStringList cells;
    QJsonObject json;
    void add(const char *key, const QString &cell, const QJsonValue &value)
    {
        cells << csvCell(cell);
        json[QLatin1String(key)] = value;
    }
    QString text(BatchFormat format) const
    {
        return format == BatchFormat::Csv
                   ? cells.join(QLatin1Char(',')) + QLatin1Char('\n')
                   : QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact)) +
                         QLatin1Char('\n');
    }
};

Row leadCells(int index, const QString &file, const QJsonValue &channel, const QString &status,
              const QString &reason)
{
    Row row;
    row.add("index", QString::number(index), index);
    row.add("file", file, file);
    row.add("channel", channel.isNull() ? QString() : QString::number(channel.toInt()), channel);
    row.add("status", status, status);
    row.add("reason", reason, reason);
    return row;
}

QString verdictKey(size_t f) { return QStringLiteral("pass_") + QLatin1String(DeviceFigureKeys[f]); }

} // namespace

const std::vector<FigureColumn> &figureColumns()
{
    static const std::vector<FigureColumn> columns = {
        {"fundamental_hz", "Основной тон, Гц", 3, [](const ChannelFigures &c) { return c.fundamentalFrequency; }},
        {"fundamental_dbfs", "Уровень, дБFS", 2, [](const ChannelFigures &c) { return c.fundamentalDbfs; }},
        {"sfdr_db", "SFDR, дБ", 2, [](const ChannelFigures &c) { return c.device[FigureSfdr]; }, FigureSfdr},
        {"snr_db", "SNR, дБ", 2, [](const ChannelFigures &c) { return c.device[FigureSnr]; }, FigureSnr},
        {"thd_db", "THD, дБ", 2, [](const ChannelFigures &c) { return c.device[FigureThd]; }, FigureThd},
        {"thdn_db", "THD+N (SINAD), дБ", 2, [](const ChannelFigures &c) { return c.device[FigureThdn]; }, FigureThdn},
        {"enob_bits", "ENOB, бит", 3, [](const ChannelFigures &c) { return c.device[FigureEnob]; }, FigureEnob},
        {"snr_dbfs", "SNR, дБFS", 2, [](const ChannelFigures &c) { return c.datasheet.snr; }},
        {"sinad_dbfs", "SINAD, дБFS", 2, [](const ChannelFigures &c) { return c.datasheet.sinad; }},
        {"noise_density_dbfs_hz", "Плотность шума, дБFS/Гц", 2,
         [](const ChannelFigures &c) { return c.datasheet.noiseDensity; }},
        {"worst_spur_dbc", "Худшая помеха, дБн", 2, [](const ChannelFigures &c) { return c.datasheet.spurLevel; }},
        {"worst_spur_hz", "Худшая помеха, Гц", 3, [](const ChannelFigures &c) { return c.datasheet.spurFrequency; }},
        {"imd2_db", "IMD2, дБ", 2, [](const ChannelFigures &c) { return c.imd2; }},
        {"imd3_db", "IMD3, дБ", 2, [](const ChannelFigures &c) { return c.imd3; }},
        {"phase_deg", "Фаза к 1-му каналу, °", 3, [](const ChannelFigures &c) { return c.phaseDegrees; }},
        {"offset_codes", "Смещение, коды", 3, [](const ChannelFigures &c) { return c.offsetCodes; }},
        {"amplitude_codes", "Амплитуда, коды", 3, [](const ChannelFigures &c) { return c.amplitudeCodes; }},
        {"dnl_max_lsb", "DNL max, LSB", 3, [](const ChannelFigures &c) { return c.maxDnl; }},
        {"inl_max_lsb", "INL max, LSB", 3, [](const ChannelFigures &c) { return c.maxInl; }},
        {"missing_codes", "Пропущенные коды", 0,
         [](const ChannelFigures &c) { return c.missingCodes < 0 ? NAN : double(c.missingCodes); }},
        {"fit_frequency_hz", "Синус: частота, Гц", 4, [](const ChannelFigures &c) { return c.fitFrequency; }},
        {"fit_amplitude_codes", "Синус: амплитуда, коды", 3, [](const ChannelFigures &c) { return c.fitAmplitude; }},
        {"fit_sinad_db", "Синус: SINAD, дБ", 2, [](const ChannelFigures &c) { return c.fitSinad; }},
        {"fit_enob_bits", "Синус: ENOB, бит", 3, [](const ChannelFigures &c) { return c.fitEnob; }},
    };
    return columns;
}

QString batchHeader(BatchFormat format)
{
    if (format != BatchFormat::Csv)
        return QString();
    QStringList keys;
    for (const char *key : LeadKeys)
        keys << QLatin1String(key);
    for (const FigureColumn &column : figureColumns())
        keys << QLatin1String(column.key);
    for (size_t f = 0; f < size_t(DeviceFigureCount); ++f)
        keys << verdictKey(f);
    keys << QStringLiteral("pass");
    return keys.join(QLatin1Char(',')) + QLatin1Char('\n');
}

QString batchRows(BatchFormat format, int index, const RecordFigures &r,
                  const DeviceCriteria &criteria)
{
    if (!r.error.isEmpty()) {
        // The figure and verdict cells stay empty; the record fails.
        Row row = leadCells(index, r.file, QJsonValue(), QStringLiteral("error"), r.error);
        for (const FigureColumn &column : figureColumns())
            row.add(column.key, QString(), QJsonValue());
        for (size_t f = 0; f < size_t(DeviceFigureCount); ++f)
            row.add(qPrintable(verdictKey(f)), QString(), QJsonValue());
        row.add("pass", QStringLiteral("0"), false);
        return row.text(format);
    }
    QString text;
    for (const ChannelFigures &c : r.channels) {
        const ChannelVerdicts v = judgeChannel(c, criteria);
        const bool passes = channelPasses(v);
        Row row = leadCells(index, r.file, c.channel,
                            passes ? QStringLiteral("ok") : QStringLiteral("fail"),
                            missedCriteria(c, criteria));
        for (const FigureColumn &column : figureColumns()) {
            const double value = column.value(c);
            row.add(column.key, csvNumber(value, column.decimals), jsonNumber(value));
        }
        for (size_t f = 0; f < size_t(DeviceFigureCount); ++f)
            row.add(qPrintable(verdictKey(f)), verdictCell(v[f]), verdictJson(v[f]));
        const Verdict all = !criteria.any() ? Verdict::NotJudged : passes ? Verdict::Pass : Verdict::Fail;
        row.add("pass", verdictCell(all), verdictJson(all));
        text += row.text(format);
    }
    return text;
}

bool recordPasses(const RecordFigures &r, const DeviceCriteria &criteria)
{
    if (!r.error.isEmpty())
        return false;
    for (const ChannelFigures &c : r.channels)
        if (!channelPasses(judgeChannel(c, criteria)))
            return false;
    return true;
}
