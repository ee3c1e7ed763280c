#pragma once
// Where the oscilloscope is in a long record: its first sample, the samples it shows and the
// record's length and duration, beside the scroll controls.
#include "app/BlockFollower.h"

#include <QLabel>

#include <cstdint>

// "Начало: 12288  Длина: 4096  Запись: 1048576 (10.486 с)"; the total is left out while it
// is unknown (0, a live stream), the duration without a sample rate.
QString recordPositionText(uint64_t first, uint64_t length, uint64_t total, double sampleRate);
// Seconds as the read-out writes them: µs, ms or s below a minute, then minutes and hours.
QString durationText(double seconds);

class OrmaPanel;

// Follows the blocks for the record's length and rate, and the oscilloscope's view for the
// span, which a zoom changes without a new block.
class RecordPositionReadout : public QLabel, public BlockFollower {
public:
    RecordPositionReadout(const OrmaPanel &oscilloscope, QWidget *parent = nullptr);
    void followBlock(const BlockContext &context) override;

private:
    void refresh();

    const OrmaPanel &m_oscilloscope;
    bool m_hasSamples = false;
    uint64_t m_total = 0;
    double m_sampleRate = 0.0;
};
