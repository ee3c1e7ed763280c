#include "sources/record/ForeignConversion.h"

#include "sources/record/Postfix.h"

#include <QFileInfo>
#include <QSaveFile>

#include <vector>

bool convertForeignFile(const QString &input, const QString &output, const ForeignFill &fill,
                        QString &error)
{
    std::unique_ptr<ForeignReader> reader = openForeignFile(input, error);
    if (!reader)
        return false;
    FileParams params;
    QString problem;
    if (!reader->describe(fill, params, problem)) {
        error = QFileInfo(input).fileName() + QStringLiteral(": ") + problem;
        return false;
    }
    QSaveFile out(output);
    if (!out.open(QIODevice::WriteOnly)) {
        error = output + QStringLiteral(": не открывается для записи (") + out.errorString() + ')';
        return false;
    }
    const uint64_t frame = params.frameBytes();
    const uint64_t step = std::max<uint64_t>(1, (uint64_t(1) << 20) / frame);
    std::vector<uint8_t> words(size_t(step * frame));
    for (uint64_t first = 0; first < params.sampleCount; first += step) {
        const uint64_t count = std::min(step, params.sampleCount - first);
        if (reader->read(first, count, words.data()) != count) {
            error = QFileInfo(input).fileName() + QStringLiteral(": ") + reader->error();
            out.cancelWriting();
            return false;
        }
        if (out.write(reinterpret_cast<const char *>(words.data()), qint64(count * frame)) !=
            qint64(count * frame)) {
            error = output + QStringLiteral(": запись не удалась (") + out.errorString() + ')';
            out.cancelWriting();
            return false;
        }
    }
    out.write(formatPostfix(params, QFileInfo(input).fileName()));
    if (!out.commit()) {
        error = output + QStringLiteral(": запись не удалась (") + out.errorString() + ')';
        return false;
    }
    return true;
}
