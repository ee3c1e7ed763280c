#include "sources/export/BlockExport.h"

#include "sources/BlockSnapshot.h"
#include "sources/export/CsvWriter.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The channels that carry data of the kind asked for, in buffer order.
template <typename Data>
std::vector<int> channelsWith(const BlockSnapshot &block, Data data)
{
    std::vector<int> ks;
    for (int k = 0; k < int(block.records.size()); ++k)
        if (block.records[size_t(k)].shown && (block.*data)(k))
            ks.push_back(k);
    return ks;
}

QStringList header(const BlockSnapshot &block, const std::vector<int> &ks, const QString &axis,
                   const QString &unit)
{
    QStringList fields{axis};
    for (int k : ks)
        fields << QStringLiteral("Канал %1 (%2)").arg(block.records[size_t(k)].channelNumber).arg(unit);
    return fields;
}

} // namespace

QString exactNumber(double v)
{
    if (!std::isfinite(v))
        return std::isnan(v) ? QStringLiteral("nan") : v > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

QString writeSamplesCsv(const QString &path, const BlockSnapshot &block, uint64_t first,
                        uint64_t count)
{
    const std::vector<int> ks = channelsWith(block, &BlockSnapshot::channelSamples);
    if (ks.empty() || !block.index || block.sampleLength == 0)
        return QStringLiteral("the block holds no samples");
    // The index axis rises through the buffer: the span is one run of it.
    const double *index = block.index.get();
    const double *end = index + block.sampleLength;
    const double last = double(first) + double(count);
    const size_t from = size_t(std::lower_bound(index, end, double(first)) - index);
    const size_t to = size_t(std::lower_bound(index, end, last) - index);
    if (from >= to)
        return QStringLiteral("the block holds none of samples %1 to %2").arg(first).arg(first + count - 1);

    CsvWriter csv(path);
    QString error = csv.open();
    if (!error.isEmpty())
        return error;
    csv.writeRow(header(block, ks, QStringLiteral("Отсчет"), QStringLiteral("Ед.Мл.Разряда")));
    QStringList row;
    for (size_t i = from; i < to; ++i) {
        row.clear();
        row << exactNumber(index[i]);
        for (int k : ks)
            row << exactNumber(block.channelSamples(k)[i]);
        csv.writeRow(row);
    }
    return csv.commit();
}

QString writeSpectrumCsv(const QString &path, const BlockSnapshot &block)
{
    const std::vector<int> ks = channelsWith(block, &BlockSnapshot::channelSpectrum);
    if (ks.empty() || block.fftSize == 0)
        return QStringLiteral("the block holds no spectrum");
    const double rate = block.sampleRate();
    // A centred complex spectrum starts at -Fs/2; without a rate only bins can be named.
    const bool centred = block.spectrumComplex && block.spectrum.spectrumRange == 1;
    const double firstBin = centred ? -double(block.fftSize / 2) : 0.0;
    const double hzPerBin = rate / block.fftSize;

    CsvWriter csv(path);
    QString error = csv.open();
    if (!error.isEmpty())
        return error;
    csv.writeRow(header(block, ks, rate > 0 ? QStringLiteral("Частота (Гц)") : QStringLiteral("Бин"),
                        QStringLiteral("В²")));
    QStringList row;
    for (int b = 0; b < block.binCount; ++b) {
        row.clear();
        const double bin = firstBin + b;
        row << exactNumber(rate > 0 ? bin * hzPerBin : bin);
        for (int k : ks)
            row << exactNumber(block.channelSpectrum(k)[b]);
        csv.writeRow(row);
    }
    return csv.commit();
}
