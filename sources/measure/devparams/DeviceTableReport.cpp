#include "sources/measure/devparams/DeviceTableReport.h"

#include "sources/measure/ReportText.h"

#include <QJsonArray>

#include <cmath>

const char *const DeviceFigureKeys[DeviceFigureCount] = {"sfdr", "snr", "thd", "thdn", "enob"};

namespace {

const char *const FigureLabels[DeviceFigureCount] = {"SFDR", "SNR", "THD", "THD+N", "ENB"};

} // namespace

QString deviceTableText(const DeviceTableFigures &f)
{
    QString text = formatText("%-8s", "channel");
    for (const char *label : FigureLabels)
        text += formatText(" %10s", label);
    text += formatText("\n%-8s", "criteria");
    for (double c : f.criteria)
        text += formatText(" %10.2f", c);
    text += QLatin1Char('\n');
    for (size_t r = 0; r < f.rows.size(); ++r) {
        text += formatText("%-8d", f.channels[r]);
        for (int k = 0; k < DeviceFigureCount; ++k)
            text += formatText(" %9.2f%c", f.rows[r][size_t(k)],
                               f.verdicts[r][size_t(k)] == CellVerdict::Pass ? ' ' : '!');
        text += QLatin1Char('\n');
    }
    text += f.allPassed ? QStringLiteral("all figures pass\n")
                        : QStringLiteral("some figures miss their criterion (!)\n");
    return text;
}

QJsonObject deviceTableJson(const DeviceTableFigures &f, const QString &file)
{
    QJsonObject crit;
    for (int k = 0; k < DeviceFigureCount; ++k)
        crit[DeviceFigureKeys[k]] = f.criteria[size_t(k)];
    QJsonArray channels;
    for (size_t r = 0; r < f.rows.size(); ++r) {
        QJsonObject ch, pass;
        ch["channel"] = f.channels[r];
        for (int k = 0; k < DeviceFigureCount; ++k) {
            ch[DeviceFigureKeys[k]] = jsonNumber(f.rows[r][size_t(k)]);
            pass[DeviceFigureKeys[k]] = f.verdicts[r][size_t(k)] == CellVerdict::Pass;
        }
        ch["pass"] = pass;
        channels.append(ch);
    }
    QJsonObject o;
    o["file"] = file;
    o["criteria"] = crit;
    o["channels"] = channels;
    o["allPassed"] = f.allPassed;
    return o;
}

bool parseDeviceCriteria(const QString &text, DeviceValues &criteria, QString &error,
                         std::array<bool, DeviceFigureCount> *named)
{
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int eq = item.indexOf(QLatin1Char('='));
        const QString key = item.left(eq).trimmed().toLower();
        int f = 0;
        while (f < DeviceFigureCount && key != QLatin1String(DeviceFigureKeys[f]))
            ++f;
        if (eq < 0 || f == DeviceFigureCount) {
            error = QStringLiteral("--criteria: %1 is not one of sfdr=, snr=, thd=, thdn=, enob=")
                        .arg(item);
            return false;
        }
        bool ok = false;
        const double value = item.mid(eq + 1).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value)) {
            error = QStringLiteral("--criteria: %1 needs a number, not \"%2\"")
                        .arg(key, item.mid(eq + 1));
            return false;
        }
        criteria[size_t(f)] = value;
        if (named)
            (*named)[size_t(f)] = true;
    }
    return true;
}
