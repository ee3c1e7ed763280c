#include "sources/record/RecordWriter.h"

#include "sources/record/Postfix.h"
#include "sources/SampleCodes.h"
#include "sources/generator/Synthesis.h"

#include <QFile>

#include <algorithm>
#include <cmath>

RecordRecipe defaultRecordRecipe()
{
    RecordRecipe recipe;
    FileParams &p = recipe.params;
    p.channelCount = 1;
    p.channelNumbers = {0};
    p.sampleCount = 65536;
    p.sampleRate = 1e6;
    p.bitRange = 16;
    p.bytesPerSample = 2;
    p.voltageRangeMv = 2500;
    return recipe;
}

RecordSynthesizer::RecordSynthesizer(const RecordRecipe &recipe)
    : m_recipe(recipe), m_random(recipe.seed)
{
}

QByteArray RecordSynthesizer::frames(uint64_t first, uint64_t count)
{
    const FileParams &p = m_recipe.params;
    const int channels = p.hasChannels() ? int(p.channelCount) : 0;
    const int bytes = p.bytesPerSample;
    const double low = -std::ldexp(1.0, p.bitRange - 1), high = -low - 1;
    QByteArray out(int(count * uint64_t(channels) * uint64_t(bytes)), '\0');
    m_values.resize(size_t(count));
    uint8_t *raw = reinterpret_cast<uint8_t *>(out.data());
    for (int c = 0; c < channels; ++c) {
        std::fill(m_values.begin(), m_values.end(), 0.0);
        // I carries cos, Q carries sin: a positive frequency.
        const double iq = p.isComplex && c % 2 == 0 ? M_PI / 2 : 0.0;
        const double delay = m_recipe.channelDelay * (p.isComplex ? c / 2 : c);
        for (const RecordTone &t : m_recipe.tones) {
            const double omega = 2.0 * M_PI * t.frequency / p.sampleRate;
            const double lag = 2.0 * M_PI * t.frequency * delay;
            addTone(m_values.data(), size_t(count), first, omega,
                    t.phaseDeg * M_PI / 180.0 + iq - lag, t.amplitude, false);
        }
        addWhiteNoise(m_values.data(), size_t(count), m_recipe.noiseRms, m_random, false);
        for (uint64_t f = 0; f < count; ++f) {
            const double code = std::min(high, std::max(low, std::nearbyint(m_values[f])));
            const uint32_t stored = encodeSample(int32_t(code), bytes, p.codeType, p.bitRange);
            uint8_t *at = raw + (f * uint64_t(channels) + uint64_t(c)) * uint64_t(bytes);
            for (int b = 0; b < bytes; ++b)
                at[b] = uint8_t(stored >> (8 * b));
        }
    }
    return out;
}

bool writeRecordFile(const QString &path, const RecordRecipe &recipe, bool withPostfix,
                     QString *error)
{
    QFile file(path);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    RecordSynthesizer synth(recipe);
    const uint64_t total = recipe.params.sampleCount;
    constexpr uint64_t Step = 65536;
    for (uint64_t first = 0; ok && first < total; first += Step) {
        const QByteArray block = synth.frames(first, std::min(Step, total - first));
        ok = file.write(block) == block.size();
    }
    if (ok && withPostfix)
        ok = file.write(formatPostfix(recipe.params, recipe.deviceName)) >= 0;
    if (!ok && error)
        *error = file.errorString();
    return ok;
}
