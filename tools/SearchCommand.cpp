// orma-tool search: the viewer's channel search over a whole record, headless. The record is
// looked at as the oscilloscope scrolls through it, one shown width after the other, and the
// first block in which a channel crosses a threshold is printed.
#include "CommandLine.h"
#include "Commands.h"
#include "RecordReading.h"

#include "sources/search/RecordSearch.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

// Exit codes of this command, which scripts test for a match.
constexpr int SearchFound = 0;
constexpr int SearchNotFound = 1;
constexpr int SearchError = 2;

struct SearchJob : RecordSearchJob {
    bool json = false;
};

// "UpPowerHarm" -> "--up-power-harm".
QString optionOf(int criterion)
{
    QString name = QStringLiteral("-");
    for (const QChar c : QString::fromLatin1(findCriterionInfo(criterion).key)) {
        if (c.isUpper())
            name += QLatin1Char('-');
        name += c.toLower();
    }
    return name;
}

// A threshold, with a level unit after a colon for the signal-level criteria: "-20:dBm".
void takeThreshold(CommandLine &cl, int criterion, FindSettings &find)
{
    const QString option = optionOf(criterion);
    if (!cl.has(option))
        return;
    const FindCriterionInfo &info = findCriterionInfo(criterion);
    QString text = cl.values(option).last();
    if (info.isLevelUnit) {
        const int colon = text.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            const int unit = levelUnitOf(text.mid(colon + 1));
            if (unit < 0) {
                cl.fail(option + QStringLiteral(": the unit must be one of ") +
                        levelUnitTexts().join(QStringLiteral(", ")));
                return;
            }
            find.levelUnits[size_t(criterion - FindUpPower)] = unit;
            text.truncate(colon);
        }
    }
    bool ok = false;
    const double t = text.toDouble(&ok);
    if (!ok || !(t >= info.min && t <= info.max)) {
        cl.fail(QStringLiteral("%1 must be a number from %2 to %3").arg(option).arg(info.min).arg(info.max));
        return;
    }
    find.enabled[size_t(criterion)] = true;
    find.threshold[size_t(criterion)] = t;
}

bool parse(const QStringList &args, SearchJob &job, QString &error)
{
    // --rate and --bits as the other reading commands take them (main() leaves them to search,
    // whose exit status 1 means no match, not a wrong value).
    QSet<QString> valued = {"--config", "--channels", "--width", "--fft", "--impedance", "--rate", "--bits"};
    for (int i = 0; i < FindCriterionCount; ++i)
        valued << optionOf(i);
    CommandLine cl(args, valued, {"--json"});
    job.files = cl.positional();
    if (job.files.isEmpty())
        cl.fail(QStringLiteral("search needs at least one record file"));
    if (cl.has("--config")) {
        const QString config = cl.values("--config").last();
        if (!QFileInfo(config).isFile())
            cl.fail(config + QStringLiteral(": no such configuration file"));
        job.find.load(config);
        job.analysis.load(config);
        if (!job.find.currentChannel)
            job.channels = job.find.channels;
    }
    for (int i = 0; i < FindCriterionCount; ++i)
        takeThreshold(cl, i, job.find);
    if (cl.has("--channels")) {
        job.channels.clear();
        for (const QString &part : cl.values("--channels").last().split(QLatin1Char(','))) {
            bool ok = false;
            const int channel = part.trimmed().toInt(&ok);
            if (!ok || channel < 0)
                cl.fail(QStringLiteral("--channels must list channel numbers, as 0,2,5"));
            job.channels << channel;
        }
    }
    job.width = uint64_t(cl.integer("--width", 1024, 1, INT32_MAX));
    const qint64 fft = cl.integer("--fft", job.analysis.fftSize, AnalyserSettings::MinFftSize,
                                  AnalyserSettings::MaxFftSize);
    if (fft & (fft - 1))
        cl.fail(QStringLiteral("--fft must be a power of two"));
    job.analysis.fftSize = uint32_t(fft);
    job.analysis.impedance = int(cl.integer("--impedance", job.analysis.impedance, 1, 1000000));
    if (cl.ok() && !job.find.anyEnabled())
        cl.fail(QStringLiteral("no criterion is set: give a threshold option or --config"));
    job.json = cl.has("--json");
    readForeignOptions(cl, job.foreign);
    error = cl.error();
    return cl.ok();
}

QString formatValue(double v) { return QString::number(v, 'g', 10); }

void printText(const SearchJob &job, uint64_t position, const std::vector<SearchMatch> &matches)
{
    if (matches.empty()) {
        std::printf("%s: no block matched\n", qPrintable(job.files.first()));
        return;
    }
    std::printf("%s: block at sample %llu (block %llu of %llu samples)\n",
                qPrintable(job.files.first()), static_cast<unsigned long long>(position),
                static_cast<unsigned long long>(position / job.width),
                static_cast<unsigned long long>(job.width));
    for (const SearchMatch &m : matches) {
        const FindCriterionInfo &info = findCriterionInfo(m.criterion);
        std::printf("  channel %d %s: value %s %s, threshold %s %s, at sample %llu\n", m.channel,
                    info.key, qPrintable(formatValue(m.value)), info.unit,
                    qPrintable(formatValue(m.threshold)), info.unit,
                    static_cast<unsigned long long>(m.sample));
    }
}

void printJson(const SearchJob &job, uint64_t position, const std::vector<SearchMatch> &matches)
{
    QJsonObject o;
    o["file"] = job.files.first();
    o["found"] = !matches.empty();
    o["width"] = double(job.width);
    if (!matches.empty()) {
        o["position"] = double(position);
        o["block"] = double(position / job.width);
    }
    QJsonArray list;
    for (const SearchMatch &m : matches) {
        const FindCriterionInfo &info = findCriterionInfo(m.criterion);
        QJsonObject j;
        j["channel"] = m.channel;
        j["criterion"] = QString::fromLatin1(info.key);
        j["index"] = m.criterion;
        j["value"] = m.value;
        j["threshold"] = m.threshold;
        j["unit"] = QString::fromLatin1(info.unit);
        j["sample"] = double(m.sample);
        list.append(j);
    }
    o["matches"] = list;
    std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
}

} // namespace

int searchCommand(const QStringList &args)
{
    SearchJob job;
    QString error;
    if (!parse(args, job, error)) {
        reportError(error);
        return SearchError;
    }
    error = checkRecordFiles(job.files, false);
    if (!error.isEmpty()) {
        reportError(error);
        return SearchError;
    }
    RecordSearch scan(job);
    uint64_t position = 0;
    std::vector<SearchMatch> matches;
    if (!scan.run(position, matches, error)) {
        reportError(error);
        return SearchError;
    }
    if (job.json)
        printJson(job, position, matches);
    else
        printText(job, position, matches);
    return matches.empty() ? SearchNotFound : SearchFound;
}
