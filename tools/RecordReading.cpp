#include "RecordReading.h"

#include "CommandLine.h"
#include "Commands.h"

#include "sources/foreign/ForeignReader.h"
#include "sources/record/FileSource.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

ForeignFill &commandFill()
{
    static ForeignFill fill;
    return fill;
}

} // namespace

void readForeignOptions(CommandLine &cl, ForeignFill &fill)
{
    fill.sampleRate = cl.real("--rate", 0.0, 1e-3, 1e12);
    fill.bitRange = int(cl.integer("--bits", 0, 1, 32));
    fill.voltageRangeMv = int32_t(cl.real("--range", 1.0, 1e-3, 2e6) * 1000.0);
}

bool takeForeignOptions(QStringList &args, QString &error)
{
    // Not --range: analyze's --range is the spectrum's; such captures read at 1 V.
    static const QStringList names = {"--rate", "--bits"};
    QStringList taken;
    for (int i = 0; i + 1 < args.size();) {
        if (names.contains(args.at(i))) {
            taken << args.takeAt(i);
            taken << args.takeAt(i);
        } else {
            ++i;
        }
    }
    CommandLine cl(taken, QSet<QString>(names.begin(), names.end()), {});
    readForeignOptions(cl, commandFill());
    error = cl.error();
    return cl.ok();
}

QString checkRecordFiles(const QStringList &files, bool wait)
{
    for (const QString &file : files) {
        const QFileInfo info(file);
        if (!info.isFile())
            return file + QStringLiteral(": no such record file");
        if (!info.isReadable())
            return file + QStringLiteral(": the record file cannot be read");
        if (info.size() == 0 && !wait)
            return file + QStringLiteral(": the record holds no samples");
    }
    return QString();
}

void openRecords(FileSource &source, const QStringList &files)
{
    if (std::any_of(files.begin(), files.end(), isForeignFile))
        source.setUserFileParams(commandFill().userParams());
    source.setFileName(files.first());
    for (int i = 1; i < files.size(); ++i)
        source.addFile(files.at(i));
}

bool openCheckedRecords(FileSource &source, const QStringList &files, bool wait)
{
    const QString error = checkRecordFiles(files, wait);
    if (!error.isEmpty()) {
        reportError(error);
        return false;
    }
    openRecords(source, files);
    return true;
}

void runBlock(FileSource &source, bool wait)
{
    QEventLoop loop;
    QObject::connect(&source, &SignalSource::signalDataReady, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    if (!wait)
        source.interruptWait(); // never wait for a producer unless asked
    source.requestData();
    loop.exec();
    // What the data cycle does once it has reacted to the block.
    source.setParamsChanged(false);
    source.setWindowChanged(false);
    source.setSettingsChanged(false);
}

QString blockError(const FileSource &source, const QString &file)
{
    if (source.readError()) {
        const QString why = source.lastBlock() ? source.lastBlock()->postfixProblem : QString();
        if (!source.postfixKnown())
            return file + QStringLiteral(": the record has no postfix");
        return file + QStringLiteral(": the postfix has errors") +
               (why.isEmpty() ? QString() : QStringLiteral(" (") + why + QStringLiteral(")"));
    }
    if (source.readStatus() == -1) {
        const QString why = source.lastBlock() ? source.lastBlock()->readFailure : QString();
        return why.isEmpty() ? file + QStringLiteral(": the record cannot be read") : why;
    }
    if (source.fileParams().sampleCount == 0 && !source.lastBlock()->channelSpectrum(0))
        return file + QStringLiteral(": the record holds no samples");
    return QString();
}

void printJson(const QJsonObject &o)
{
    std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
}

void printText(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

int readOneBlock(const QStringList &files, const std::function<void(FileSource &)> &configure,
                 BlockSnapshotPtr &block)
{
    FileSource source;
    if (!openCheckedRecords(source, files, false))
        return ExitRecord;
    configure(source);
    runBlock(source, false);
    const QString error = blockError(source, files.first());
    if (!error.isEmpty()) {
        reportError(error);
        return ExitRecord;
    }
    block = source.lastBlock();
    return ExitOk;
}

bool positionBeyondRecord(const QString &file, uint64_t position, const BlockSnapshot &block)
{
    const uint64_t recordLength = block.firstFile().sampleCount;
    if (position < recordLength)
        return false;
    reportError(file + QStringLiteral(": --position %1 is beyond the record's %2 samples")
                           .arg(position)
                           .arg(recordLength));
    return true;
}
