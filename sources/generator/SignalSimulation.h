#pragma once
// The built-in generator: up to 16 sine components with integer ADC-code amplitudes, each
// continuing from block to block, as one output channel per component or summed into one.
// Every request is served at once (no producer to wait for).
#include "sources/SignalSource.h"

#include <array>
#include <random>
#include <vector>

class SignalSimulation : public SignalSource {
    Q_OBJECT
public:
    static constexpr int ComponentSlots = 16;

    explicit SignalSimulation(QObject *parent = nullptr);
    ~SignalSimulation() override;

    // channelCount is the number of enabled components, whose records are 0, 1, 2, ...
    void setFileParams(const FileParams &params) override;
    uint32_t blockLength() const override;
    // Generated on request into a buffer of its own: no producer, no record, no longer window.
    SourceTraits traits() const override { return {false, false, false}; }

protected:
    int readBlock() override;

private:
    bool prepareBuffers();
    void generateChannel(int channel, int firstComponent, int lastComponent, double randomPhase);
    // The components' sum and noise over `n` samples, starting `back` samples before each
    // component's block start (the filter's run-in), into `out`.
    void synthesise(double *out, size_t n, size_t back, int firstComponent, int lastComponent,
                    double randomPhase);

    std::array<uint64_t, ComponentSlots> m_startIndex{};
    int m_componentCount = 0;
    std::mt19937_64 m_noise;
    std::vector<double> m_leadIn;
};
