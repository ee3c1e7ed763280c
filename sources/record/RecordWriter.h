#pragma once
// Writes records as an acquisition program would: tones and white noise quantised to the
// converter's codes, stored in its code and byte width, interleaved, with the postfix last.
#include "sources/FileParams.h"

#include <QByteArray>
#include <QString>

#include <random>
#include <vector>

struct RecordTone {
    double frequency = 0.0; // Hz
    double amplitude = 0.0; // ADC codes (peak)
    double phaseDeg = 0.0;
};

struct RecordRecipe {
    // Layout and description: channels, samples, rate, bits, bytes, range, code, complex.
    FileParams params;
    // Every channel carries every tone; an I/Q pair carries it as cos (I) and sin (Q).
    std::vector<RecordTone> tones;
    double noiseRms = 0.0; // LSB, independent per channel
    // Channel c (I/Q pair c of a complex record) carries its tones c times this much later, s.
    double channelDelay = 0.0;
    uint64_t seed = 1;
    QString deviceName = QStringLiteral("orma-tool");
};

// A record recipe with the usual defaults: one channel, 2 bytes, 16 bits, 2.5 V, 1 MHz.
RecordRecipe defaultRecordRecipe();

// The stored samples of a record, frame range by frame range; the noise continues across calls.
class RecordSynthesizer {
public:
    explicit RecordSynthesizer(const RecordRecipe &recipe);
    QByteArray frames(uint64_t first, uint64_t count);

private:
    RecordRecipe m_recipe;
    std::mt19937_64 m_random;
    std::vector<double> m_values;
};

// Writes the whole record (samples, then the postfix unless `withPostfix` is false).
bool writeRecordFile(const QString &path, const RecordRecipe &recipe, bool withPostfix,
                     QString *error = nullptr);
