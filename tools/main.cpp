// orma-tool: the viewer's acquisition and analysis engine for scripts and production tests.
#include "Commands.h"
#include "CommandLine.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char Usage[] =
    "usage:\n"
    "  orma-tool analyze FILE... [--fft N] [--window CODE] [--sidelobe DB] [--harmonics N]\n"
    "                    [--exclusion HZ] [--average K] [--range full|centred]\n"
    "                    [--position SAMPLE] [--json] [--wait]\n"
    "                    [--filter KEY=VALUE,... | --filter-ini ORMA.ini]\n"
    "  orma-tool generate OUT.bin [--channels N] [--samples S] [--rate HZ] [--bits B]\n"
    "                    [--bytes 1|2|4] [--range VOLTS] [--code 0|1|2] [--complex]\n"
    "                    [--tone FREQ:AMPLITUDE_CODES[:PHASE_DEG]]... [--noise LSB_RMS]\n"
    "                    [--channel-delay SECONDS] [--no-postfix]\n"
    "  orma-tool produce OUT.bin [generate options] --blocks K --period-ms T\n"
    "  orma-tool phase FILE... --channels A,B[,C,D] [--position S] [--length N | --whole]\n"
    "                    [--fft N] [--json]\n"
    "  orma-tool iq FILE... [--pair K] [--position S] [--length N] [--series] [--json]\n"
    "  orma-tool histogram FILE... [--channel C] [--position P] [--width W | --all]\n"
    "                    [--marker CODE] [--sum FROM:TO] [--bins] [--json]\n"
    "  orma-tool devparams FILE... [analyze options]\n"
    "                    [--criteria sfdr=DB,snr=DB,thd=DB,thdn=DB,enob=BITS] [--json]\n"
    "  orma-tool imd FILE... [analyze options] [--channel C] [--json]\n"
    "  orma-tool search FILE... [--config INI] [--up-level V] [--low-level V]\n"
    "                    [--up-freq KHZ] [--low-freq KHZ] [--up-power T[:UNIT]]\n"
    "                    [--low-power T[:UNIT]] [--up-power-harm T[:UNIT]]\n"
    "                    [--low-power-harm T[:UNIT]] [--up-sfdr DB] [--low-sfdr DB]\n"
    "                    [--up-thdn DB] [--low-thdn DB] [--up-thd DB] [--low-thd DB]\n"
    "                    [--up-snr DB] [--low-snr DB] [--channels LIST] [--width N]\n"
    "                    [--fft N] [--impedance OHMS] [--json]\n"
    "  orma-tool export FILE... --what samples|spectrum --csv OUT.csv [--fft N] [--window CODE]\n"
    "                    [--range full|centred] [--position SAMPLE] [--length SAMPLES]\n"
    "  orma-tool shm-produce NAME [generate options] --blocks K --period-ms T\n"
    "  orma-tool serve RECORD... [--port P] [--period-ms T] [--block-samples S]\n"
    "\n"
    "analyze reads the records as the viewer does and prints every channel's figures;\n"
    "--wait takes each block from a live producer through the flag file.\n"
    "--filter filters every channel first, with the filter dialog's fields: type=fir|iir,\n"
    "function=lowpass|highpass|bandpass|bandstop, fir=kaiser|window, window=rectangular|\n"
    "triangular|hann|hamming|blackman, length=TAPS, beta=B, iir=butterworth|chebyshev|\n"
    "inverse-chebyshev|elliptic|bessel, order=N, low=KHZ, up=KHZ, ripple=DB, attenuation=DB\n"
    "(unset fields keep the dialog's defaults); --filter-ini takes its \"Filtration/\" keys.\n"
    "generate writes a record (samples of every channel, then the postfix); records with a\n"
    "postfix are read as two's complement, other codes are for records without one.\n"
    "produce grows a record by one block of S samples every T ms and offers each block\n"
    "through the flag file (OUT.flg). --channel-delay makes channel c (I/Q pair c) carry the\n"
    "tones c times that many seconds later.\n"
    "phase measures channels B, C, D against A over N samples from S (or the whole record):\n"
    "periods, and phases in degrees, radians, samples and seconds with their status.\n"
    "iq prints envelope, instantaneous frequency and phase of I/Q pair K (channels 2K, 2K+1),\n"
    "every sample's with --series.\n"
    "histogram counts a channel's ADC codes (W samples from P, default 65536 from 0, or the\n"
    "whole record) against a sine's ideal distribution: offset, amplitude, INL as the mean\n"
    "relative bin error, DNL at the marker code, the count between two codes.\n"
    "devparams judges SFDR, SNR, THD+N and ENOB (pass at or above the criterion) and THD\n"
    "(pass at or below) of every channel; criteria not given are 0.\n"
    "imd finds the two strongest tones and gives IMD2 and IMD3 in dB.\n"
    "search steps through the record one shown width (--width, 1024) after the other, as the\n"
    "oscilloscope scrolls, and prints the first block in which a channel crosses a threshold:\n"
    "levels in volts, frequencies in kHz, SFDR, THD+N, THD and SNR in dB, signal levels in\n"
    "dB, dBm, dBuV, В(ампл) or В(эфф) (dB unless given). --config takes the \"Find/\" criteria,\n"
    "the channel choice and the analyser settings of a configuration; options override them.\n"
    "Without a channel list every channel is searched.\n"
    "export writes what the viewer's CSV export writes: the samples from --position on\n"
    "(--length of them, N by default) in ADC codes, or the spectrum of the block in V^2 per bin.\n"
    "shm-produce publishes K blocks of S samples, one every T ms, in the shared-memory regions\n"
    "NAME_blk0, NAME_flg and NAME_postfix (the viewer's \"-sm NAME\"), and removes them at the end.\n"
    "serve answers the network source on port P (7777): each record by its file name, with\n"
    "its flag file; with --period-ms it serves each record as a live acquisition instead:\n"
    "block after block of S samples (65536), one every T ms, offered through a flag of its own.\n"
    "exit status: 0 done, 1 bad command line, 2 the record cannot be read or written,\n"
    "3 (devparams) a figure misses its criterion; search: 0 a block matched, 1 none did,\n"
    "2 any error.\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command == QLatin1String("analyze"))
        return analyzeCommand(args);
    if (command == QLatin1String("generate"))
        return generateCommand(args);
    if (command == QLatin1String("produce"))
        return produceCommand(args);
    if (command == QLatin1String("phase"))
        return phaseCommand(args);
    if (command == QLatin1String("iq"))
        return iqCommand(args);
    if (command == QLatin1String("histogram"))
        return histogramCommand(args);
    if (command == QLatin1String("devparams"))
        return devparamsCommand(args);
    if (command == QLatin1String("imd"))
        return imdCommand(args);
    if (command == QLatin1String("search"))
        return searchCommand(args);
    if (command == QLatin1String("export"))
        return exportCommand(args);
    if (command == QLatin1String("shm-produce"))
        return shmProduceCommand(args);
    if (command == QLatin1String("serve"))
        return serveCommand(args);
    if (command == QLatin1String("--help") || command == QLatin1String("help")) {
        std::fputs(Usage, stdout);
        return ExitOk;
    }
    reportError(command.isEmpty() ? QStringLiteral("no command given")
                                  : QStringLiteral("unknown command ") + command);
    std::fputs(Usage, stderr);
    return ExitUsage;
}
