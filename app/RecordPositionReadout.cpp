#include "app/RecordPositionReadout.h"

#include "panels/OrmaPanel.h"
#include "plot/OrmaScaleDraw.h"

#include <algorithm>
#include <cmath>

QString durationText(double seconds)
{
    if (seconds < 1e-3)
        return trimmedNumber(seconds * 1e6, 3) + " мкс";
    if (seconds < 1)
        return trimmedNumber(seconds * 1e3, 3) + " мс";
    if (seconds < 60)
        return trimmedNumber(seconds, 3) + " с";
    const qint64 minutes = qint64(std::floor(seconds)) / 60;
    // Tenths cut, not rounded: 119.97 s is 1 min 59.9 s, never 1 min 60 s.
    const QString rest = trimmedNumber(std::floor((seconds - double(minutes) * 60) * 10) / 10, 1) + " с";
    if (minutes < 60)
        return QString::number(minutes) + " мин " + rest;
    return QString::number(minutes / 60) + " ч " + QString::number(minutes % 60) + " мин " + rest;
}

QString recordPositionText(uint64_t first, uint64_t length, uint64_t total, double sampleRate)
{
    QString text = QString("Начало: %1  Длина: %2").arg(first).arg(length);
    if (total == 0)
        return text;
    text += QString("  Запись: %1").arg(total);
    if (sampleRate > 0)
        text += " (" + durationText(double(total) / sampleRate) + ")";
    return text;
}

RecordPositionReadout::RecordPositionReadout(const OrmaPanel &oscilloscope, QWidget *parent)
    : QLabel(parent), m_oscilloscope(oscilloscope)
{
    setObjectName("m_pPositionReadout");
    connect(&oscilloscope, &OrmaPanel::signalScaleXChanged, this, &RecordPositionReadout::refresh);
    connect(&oscilloscope, &OrmaPanel::signalMoveCanvas, this, &RecordPositionReadout::refresh);
}

void RecordPositionReadout::followBlock(const BlockContext &context)
{
    m_hasSamples = context.block && context.block->samples;
    if (m_hasSamples) {
        const FileParams &file = context.block->firstFile();
        m_total = file.sampleCount;
        m_sampleRate = file.sampleRate;
    }
    refresh();
}

void RecordPositionReadout::refresh()
{
    if (!m_hasSamples) {
        clear();
        return;
    }
    const uint64_t first = uint64_t(std::max(0.0, std::ceil(m_oscilloscope.viewStart())));
    uint64_t length = uint64_t(std::max(0, m_oscilloscope.windowWidth()));
    // The view never reaches past the record's end.
    if (m_total != 0)
        length = first < m_total ? std::min(length, m_total - first) : 0;
    setText(recordPositionText(first, length, m_total, m_sampleRate));
}
