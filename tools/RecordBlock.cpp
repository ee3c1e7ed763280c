#include "RecordBlock.h"

#include "CommandLine.h"
#include "Commands.h"

#include "sources/FileSource.h"

#include <QEventLoop>
#include <QFileInfo>

#include <algorithm>

namespace {

// One block, as the viewer's data cycle asks for it.
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

// Problems that are known before anything is read: the engine itself would wait for them.
QString checkFiles(const RecordRequest &r)
{
    for (const QString &file : r.files) {
        const QFileInfo info(file);
        if (!info.isFile())
            return file + QStringLiteral(": no such record file");
        if (!info.isReadable())
            return file + QStringLiteral(": the record file cannot be read");
        if (info.size() == 0 && !r.wait)
            return file + QStringLiteral(": the record holds no samples");
    }
    return QString();
}

} // namespace

int readRecordBlock(const RecordRequest &r, BlockSnapshotPtr &block)
{
    const QString error = checkFiles(r);
    if (!error.isEmpty()) {
        reportError(error);
        return ExitRecord;
    }

    FileSource source;
    source.setFileName(r.files.first());
    for (int i = 1; i < r.files.size(); ++i)
        source.addFile(r.files.at(i));
    source.setPollInterval(r.wait ? 10 : 0);
    source.setSpectrumSettings(r.analysis);
    // A third of the read lies before the position: half as much again leaves `length` after it.
    source.setPosition(r.position, std::max(r.length + (r.length + 1) / 2, 3 * uint64_t(r.analysis.fftSize)));

    for (uint32_t k = 0; k < r.blocks; ++k) {
        runBlock(source, r.wait);
        const QString first = r.files.first();
        if (source.readError()) {
            reportError(first + (source.postfixKnown()
                                     ? QStringLiteral(": the postfix has errors")
                                     : QStringLiteral(": the record has no postfix")));
            return ExitRecord;
        }
        if (source.readStatus() == -1) {
            reportError(first + QStringLiteral(": the record cannot be read"));
            return ExitRecord;
        }
        if (source.fileParams().sampleCount == 0 && !source.lastBlock()->channelSpectrum(0)) {
            reportError(first + QStringLiteral(": the record holds no samples"));
            return ExitRecord;
        }
    }
    block = source.lastBlock();
    return ExitOk;
}
