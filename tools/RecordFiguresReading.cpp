#include "RecordFiguresReading.h"

#include "Commands.h"

#include <algorithm>

AnalysedRecord readRecordFigures(const QString &file, const AnalysisOptions &options,
                                 int memoryShare)
{
    AnalysedRecord out;
    out.figures.file = file;
    AnalysisOptions one = options;
    one.files = QStringList{file};
    auto limitMemory = [memoryShare](FileSource &source) {
        source.setMemoryLimit(source.memoryLimit() / uint64_t(std::max(memoryShare, 1)));
    };
    QString error;
    if (analyseRecordQuietly(one, out.analysed, error, [&](FileSource &source) {
            limitMemory(source);
            source.setPosition(one.position, 3 * uint64_t(one.fftSize));
        }) != ExitOk) {
        out.figures.error = error;
        out.analysed.reset();
        return out;
    }
    one.average = 1; // the whole record is one block
    if (analyseRecordQuietly(one, out.whole, error, [&](FileSource &source) {
            limitMemory(source);
            source.setAllDataMode(true);
        }) != ExitOk) {
        out.figures.error = error;
        out.analysed.reset();
        out.whole.reset();
        return out;
    }
    out.figures = measureRecordFigures(file, *out.analysed, out.whole);
    if (!out.figures.error.isEmpty())
        out.figures.error = file + QStringLiteral(": ") + out.figures.error;
    return out;
}
