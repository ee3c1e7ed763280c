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

class RecordPositionReadout : public QLabel, public BlockFollower {
public:
    explicit RecordPositionReadout(QWidget *parent = nullptr);
    void followBlock(const BlockContext &context) override;
};
