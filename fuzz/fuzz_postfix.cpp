// The postfix search and parsers on arbitrary record tails.
#include "sources/record/Postfix.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray tail(reinterpret_cast<const char *>(data), int(size));
    uint32_t fftSize = 0;
    FileParams spectrum;
    parseSpectrumPostfix(QString::fromLatin1(tail), spectrum, fftSize);
    FileParams params;
    if (parsePostfix(findPostfix(tail).text, params) != PostfixParsed)
        return 0;
    // Whatever parses must describe a layout the reader can size safely.
    if (params.channelNumbers.size() != params.channelCount || params.frameBytes() == 0 ||
        params.bitRange > 8 * params.bytesPerSample ||
        params.sampleCount > uint64_t(INT64_MAX) / params.frameBytes())
        __builtin_trap();
    return 0;
}
