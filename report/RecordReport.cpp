#include "report/RecordReport.h"

#include "report/ReportPlots.h"
#include "sources/measure/ReportText.h"
#include "sources/measure/batch/BatchTable.h"
#include "sources/measure/devparams/DeviceTableReport.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const char Style[] =
    "body{font-family:sans-serif;margin:24px;color:#222}"
    "h1{font-size:20px}h2{font-size:16px;margin-top:28px}"
    "table{border-collapse:collapse;font-size:13px}"
    "th,td{border:1px solid #bbb;padding:3px 6px;text-align:right}"
    "th{background:#eee;cursor:pointer}td.l,th.l{text-align:left}"
    "td.pass{background:#d6f5d6}td.fail{background:#f8c8c8;font-weight:bold}"
    "td.error{background:#f8c8c8}"
    "dl{display:grid;grid-template-columns:max-content auto;gap:2px 16px}dt{color:#555}dd{margin:0}"
    "figure{margin:12px 0}figcaption{font-size:13px;color:#444}";

QString page(const QString &title, const QString &body, const QString &script = QString())
{
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\">"
                          "<title>%1</title><style>%2</style></head><body>\n%3%4</body></html>\n")
        .arg(title.toHtmlEscaped(), QLatin1String(Style), body,
             script.isEmpty() ? QString() : QStringLiteral("<script>") + script + QStringLiteral("</script>\n"));
}

QString cell(const QString &text, const QString &cls = QString())
{
    return (cls.isEmpty() ? QStringLiteral("<td>") : QStringLiteral("<td class=\"%1\">").arg(cls)) +
           text.toHtmlEscaped() + QStringLiteral("</td>");
}

QString verdictClass(Verdict v)
{
    return v == Verdict::Pass ? QStringLiteral("pass") : v == Verdict::Fail ? QStringLiteral("fail") : QString();
}

QString figureCells(const ChannelFigures &c, const ChannelVerdicts &v)
{
    QString row;
    for (const FigureColumn &column : figureColumns()) {
        const double value = column.value(c);
        const int f = column.judged;
        row += cell(std::isfinite(value) ? formatNumber(value, column.decimals) : QStringLiteral("—"),
                    f < 0 ? QString() : verdictClass(v[size_t(f)]));
    }
    return row;
}

QString figureHeaders()
{
    QString row;
    for (const FigureColumn &column : figureColumns())
        row += QStringLiteral("<th>") + QString::fromUtf8(column.label).toHtmlEscaped() + QStringLiteral("</th>");
    return row;
}

QString statusText(const ChannelVerdicts &v, const DeviceCriteria &criteria)
{
    return !criteria.any() ? QStringLiteral("—") : channelPasses(v) ? QStringLiteral("годен")
                                                                    : QStringLiteral("не годен");
}

QString criteriaText(const DeviceCriteria &criteria)
{
    QStringList items;
    for (size_t f = 0; f < size_t(DeviceFigureCount); ++f)
        if (criteria.named[f])
            items << QStringLiteral("%1 %2 %3")
                         .arg(QString::fromLatin1(DeviceFigureKeys[f]).toUpper(),
                              f == FigureThd ? QStringLiteral("≤") : QStringLiteral("≥"),
                              formatNumber(criteria.values[f], 2));
    return items.isEmpty() ? QStringLiteral("не заданы") : items.join(QStringLiteral(", "));
}

QString description(const RecordReportInput &in)
{
    const BlockSnapshot &b = *in.analysed;
    const FileParams &p = b.firstFile();
    const QFileInfo info(in.figures.file);
    const std::pair<QString, QString> rows[] = {
        {QStringLiteral("Файл"), info.absoluteFilePath()},
        {QStringLiteral("Изменён"), info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))},
        {QStringLiteral("Каналы"), QString::number(b.channels.totalCount()) +
                                       (p.isComplex ? QStringLiteral(" (I/Q)") : QString())},
        {QStringLiteral("Отсчётов в канале"), QString::number(p.sampleCount)},
        {QStringLiteral("Частота дискретизации"), formatNumber(p.sampleRate) + QStringLiteral(" Гц")},
        {QStringLiteral("Разрядность"), QStringLiteral("%1 бит, %2 байт на отсчёт").arg(p.bitRange).arg(p.bytesPerSample)},
        {QStringLiteral("Диапазон"), formatNumber(p.voltageRangeMv / 1000.0) + QStringLiteral(" В")},
        {QStringLiteral("Анализ"), QStringLiteral("БПФ %1, окно %2, усреднение %3, гармоник %4")
                                       .arg(b.spectrum.fftSize).arg(b.spectrum.windowType)
                                       .arg(b.spectrum.averageCount).arg(b.spectrum.harmonicCount)},
        {QStringLiteral("Критерии"), criteriaText(in.criteria)},
        {QStringLiteral("Отчёт составлен"), QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))},
    };
    QString text = QStringLiteral("<dl>");
    for (const auto &row : rows)
        text += QStringLiteral("<dt>%1</dt><dd>%2</dd>").arg(row.first.toHtmlEscaped(), row.second.toHtmlEscaped());
    return text + QStringLiteral("</dl>\n");
}

// Click a header to sort by its column; again to reverse. Numbers sort as numbers.
const char SortScript[] =
    "document.querySelectorAll('table.sortable th').forEach(function(th,i){th.onclick=function(){"
    "var body=th.closest('table').tBodies[0],rows=Array.from(body.rows),up=th.dataset.up!=='1';"
    "th.dataset.up=up?'1':'0';function key(r){var t=r.cells[i].textContent,n=parseFloat(t);"
    "return isNaN(n)?t:n;}rows.sort(function(a,b){var x=key(a),y=key(b);"
    "var c=(typeof x===typeof y)?(x<y?-1:x>y?1:0):(typeof x==='number'?-1:1);return up?c:-c;});"
    "rows.forEach(function(r){body.appendChild(r);});};});";

} // namespace

QString recordReportHtml(const RecordReportInput &in)
{
    const QString name = QFileInfo(in.figures.file).fileName();
    QString body = QStringLiteral("<h1>Отчёт об измерении: %1</h1>\n").arg(name.toHtmlEscaped());
    if (!in.figures.error.isEmpty() || !in.analysed || !in.whole)
        return page(name, body + QStringLiteral("<p class=\"error\">%1</p>\n").arg(in.figures.error.toHtmlEscaped()));
    body += description(in);
    // Figures down, channels across: a record has few channels and many figures.
    body += QStringLiteral("<h2>Параметры</h2>\n<table><thead><tr><th class=\"l\">Канал</th>");
    std::vector<ChannelVerdicts> verdicts;
    QString status;
    for (const ChannelFigures &c : in.figures.channels) {
        verdicts.push_back(judgeChannel(c, in.criteria));
        body += QStringLiteral("<th>%1</th>").arg(c.channel);
        status += cell(statusText(verdicts.back(), in.criteria),
                       in.criteria.any() ? verdictClass(channelPasses(verdicts.back()) ? Verdict::Pass : Verdict::Fail)
                                         : QString());
    }
    body += QStringLiteral("</tr></thead><tbody>\n<tr><td class=\"l\">Итог</td>") + status +
            QStringLiteral("</tr>\n");
    for (const FigureColumn &column : figureColumns()) {
        const int f = column.judged;
        body += QStringLiteral("<tr>") + cell(QString::fromUtf8(column.label), QStringLiteral("l"));
        for (size_t k = 0; k < in.figures.channels.size(); ++k) {
            const double value = column.value(in.figures.channels[k]);
            body += cell(std::isfinite(value) ? formatNumber(value, column.decimals) : QStringLiteral("—"),
                         f < 0 ? QString() : verdictClass(verdicts[k][size_t(f)]));
        }
        body += QStringLiteral("</tr>\n");
    }
    body += QStringLiteral("</tbody></table>\n");
    for (const ReportPlot &plot : reportPlots(*in.analysed, in.whole))
        body += QStringLiteral("<h2>%1</h2>\n<figure>%2</figure>\n")
                    .arg(plot.title.toHtmlEscaped(), QString::fromUtf8(plot.svg));
    return page(name, body);
}

QString batchIndexHtml(const std::vector<IndexEntry> &entries, const DeviceCriteria &criteria)
{
    int failed = 0;
    QString rows;
    for (const IndexEntry &e : entries) {
        const QString name = QFileInfo(e.figures.file).fileName().toHtmlEscaped();
        const QString link = e.page.isEmpty() ? name
                                              : QStringLiteral("<a href=\"%1\">%2</a>").arg(e.page.toHtmlEscaped(), name);
        failed += recordPasses(e.figures, criteria) ? 0 : 1;
        if (!e.figures.error.isEmpty()) {
            rows += QStringLiteral("<tr><td class=\"l\">%1</td><td></td>").arg(link) +
                    cell(QStringLiteral("ошибка: ") + e.figures.error, QStringLiteral("l error")) +
                    QStringLiteral("<td></td>").repeated(int(figureColumns().size())) +
                    QStringLiteral("</tr>\n");
            continue;
        }
        for (const ChannelFigures &c : e.figures.channels) {
            const ChannelVerdicts v = judgeChannel(c, criteria);
            rows += QStringLiteral("<tr><td class=\"l\">%1</td>").arg(link) + cell(QString::number(c.channel)) +
                    cell(statusText(v, criteria),
                         QStringLiteral("l ") + (criteria.any() ? verdictClass(channelPasses(v) ? Verdict::Pass : Verdict::Fail)
                                                                : QString())) +
                    figureCells(c, v) + QStringLiteral("</tr>\n");
        }
    }
    QString body = QStringLiteral("<h1>Партия: %1 записей, не годны %2</h1>\n<p>Критерии: %3. "
                                  "Щелчок по заголовку сортирует по столбцу.</p>\n")
                       .arg(entries.size()).arg(failed).arg(criteriaText(criteria).toHtmlEscaped());
    body += QStringLiteral("<div style=\"overflow-x:auto\"><table class=\"sortable\"><thead><tr><th class=\"l\">Запись</th><th>Канал</th>"
                           "<th class=\"l\">Итог</th>") + figureHeaders() +
            QStringLiteral("</tr></thead><tbody>\n") + rows + QStringLiteral("</tbody></table></div>\n");
    return page(QStringLiteral("Партия"), body, QLatin1String(SortScript));
}

QString reportPageName(const QString &recordFile, QStringList &taken)
{
    const QString base = QFileInfo(recordFile).completeBaseName();
    QString name = base + QStringLiteral(".html");
    for (int n = 2; taken.contains(name) || name == QLatin1String("index.html"); ++n)
        name = QStringLiteral("%1-%2.html").arg(base).arg(n);
    taken << name;
    return name;
}

QString writeReportPage(const QString &path, const QString &html)
{
    QSaveFile file(path);
    const QByteArray bytes = html.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("%1: the page cannot be written: %2").arg(path, file.errorString());
    return QString();
}
