#include "CommandTable.h"

#include "Commands.h"

#include "sources/measure/Registry.h"

namespace {

const ToolCommand kCommands[] = {
    {nullptr, "analyze",
     "FILE... [--fft N] [--window CODE] [--sidelobe DB] [--harmonics N]\n"
     "[--exclusion HZ] [--average K] [--range full|centred]\n"
     "[--position SAMPLE] [--json] [--wait] [--threads N]\n"
     "[--filter KEY=VALUE,... | --filter-ini ORMA.ini]",
     "analyze reads the records as the viewer does and prints every channel's figures;\n"
     "--wait takes each block from a live producer through the flag file.\n"
     "--threads works on the channels with N threads (default: one per core).\n"
     "--filter filters every channel first, with the filter dialog's fields: type=fir|iir,\n"
     "function=lowpass|highpass|bandpass|bandstop, fir=kaiser|window, window=rectangular|\n"
     "triangular|hann|hamming|blackman, length=TAPS, beta=B, iir=butterworth|chebyshev|\n"
     "inverse-chebyshev|elliptic|bessel, order=N, low=KHZ, up=KHZ, ripple=DB, attenuation=DB\n"
     "(unset fields keep the dialog's defaults); --filter-ini takes its \"Filtration/\" keys.\n",
     analyzeCommand, true},
    {nullptr, "generate",
     "OUT.bin [--channels N] [--samples S] [--rate HZ] [--bits B]\n"
     "[--bytes 1|2|4] [--range VOLTS] [--code 0|1|2] [--complex]\n"
     "[--tone FREQ:AMPLITUDE_CODES[:PHASE_DEG]]... [--noise LSB_RMS]\n"
     "[--channel-delay SECONDS] [--no-postfix]",
     "generate writes a record (samples of every channel, then the postfix); records with a\n"
     "postfix are read as two's complement, other codes are for records without one.\n"
     "--channel-delay makes channel c (I/Q pair c) carry the tones c times that many seconds\n"
     "later.\n",
     generateCommand},
    {nullptr, "produce", "OUT.bin [generate options] --blocks K --period-ms T",
     "produce grows a record by one block of S samples every T ms and offers each block\n"
     "through the flag file (OUT.flg).\n",
     produceCommand},
    {"phase", nullptr,
     "FILE... --channels A,B[,C,D] [--position S] [--length N | --whole]\n"
     "[--fft N] [--json]",
     "phase measures channels B, C, D against A over N samples from S (or the whole record):\n"
     "periods, and phases in degrees, radians, samples and seconds with their status.\n",
     phaseCommand, true},
    {"iq", nullptr, "FILE... [--pair K] [--position S] [--length N] [--series] [--json]",
     "iq prints envelope, instantaneous frequency and phase of I/Q pair K (channels 2K, 2K+1),\n"
     "every sample's with --series.\n",
     iqCommand, true},
    {"vector", nullptr, "FILE... [--pair K] [--position S] [--length N] [--json]",
     "vector reads the vector diagram of I/Q pair K off its first sample (red marker) and its\n"
     "last (blue): amplitude and phase, I and Q, and the difference between them.\n",
     vectorCommand, true},
    {"histogram", nullptr,
     "FILE... [--channel C] [--position P] [--width W | --all]\n"
     "[--marker CODE] [--sum FROM:TO] [--bins] [--json]\n"
     "[--ieee [--dnl-resolution LSB] [--confidence PERCENT]]",
     "histogram counts a channel's ADC codes (W samples from P, default 65536 from 0, or the\n"
     "whole record) against a sine's ideal distribution: offset, amplitude, INL as the mean\n"
     "relative bin error, DNL at the marker code, the count between two codes. --ieee adds\n"
     "the code-density test: DNL and INL (end-point and best-fit) in LSB, missing codes, and\n"
     "the samples needed for a DNL resolution (default 0.1 LSB at 95 %); --bins gives them\n"
     "per code.\n",
     histogramCommand, true},
    {"devparams", nullptr,
     "FILE... [analyze options]\n"
     "[--criteria sfdr=DB,snr=DB,thd=DB,thdn=DB,enob=BITS] [--json]",
     "devparams judges SFDR, SNR, THD+N and ENOB (pass at or above the criterion) and THD\n"
     "(pass at or below) of every channel; criteria not given are 0.\n",
     devparamsCommand, true},
    {"imd", nullptr, "FILE... [analyze options] [--channel C] [--json]",
     "imd finds the two strongest tones and gives IMD2 and IMD3 in dB.\n", imdCommand, true},
    {nullptr, "sinefit", "FILE... [--channel C] [--position P --length N | --whole] [--json]",
     "sinefit fits A cos(wt) + B sin(wt) + C with w refined to N samples of channel C from P\n"
     "(65536 from 0, or the whole record): frequency, amplitude, phase, offset, the residual's\n"
     "RMS, SINAD and ENOB from the full-scale range beside the spectrum's, and the residual\n"
     "split into additive noise, noise with the signal and noise with its slope (jitter).\n",
     sinefitCommand, true},
    {nullptr, "batch",
     "RECORD... | --list FILE [analyze options] [--jobs N] [--shard I/N]\n"
     "[--criteria sfdr=DB,snr=DB,thd=DB,thdn=DB,enob=BITS]\n"
     "[--out RESULTS.csv|RESULTS.jsonl]",
     "batch analyses every record (the list file names one a line) as analyze does, with IMD\n"
     "where a second tone stands out, the phase against the first channel, and over the whole\n"
     "record the code-density test (histogram --all --ieee) and the sine fit (sinefit --whole);\n"
     "one row per record and channel (CSV on stdout, or as --out's suffix says), a record that\n"
     "cannot be analysed gets a row saying why and the batch goes on. Only the criteria given\n"
     "are judged: SFDR, SNR, THD+N (the SINAD analyze prints) and ENOB pass at or above theirs,\n"
     "THD (negative dB) at or below. --jobs analyses N records at a time (default: one per\n"
     "core); --shard I/N takes records I, I+N, I+2N, ... (I from 1), so that N machines share a\n"
     "batch: the shards' tables concatenate in shard order (only shard 1 writes the CSV header).\n"
     "Exit status 3 when a figure misses its criterion, 2 when a record cannot be analysed.\n",
     batchCommand, true},
#ifdef ORMA_TOOL_REPORT
    {nullptr, "report",
     "RECORD... --out DIR [analyze options]\n"
     "[--criteria sfdr=DB,snr=DB,thd=DB,thdn=DB,enob=BITS]",
     "report writes a self-contained HTML page per record into DIR (styles and plots inline):\n"
     "the record's description, batch's figures with the criteria's verdicts coloured, the\n"
     "spectrum with the harmonics marked, the oscillogram, the code histogram with its DNL and\n"
     "INL, and the sine fit's residual; with several records also index.html, the batch's\n"
     "table (sortable by any column) linking each page. Exit status as batch's.\n",
     reportCommand, true, reportApplication},
#endif
    {nullptr, "search",
     "FILE... [--config INI] [--up-level V] [--low-level V]\n"
     "[--up-freq KHZ] [--low-freq KHZ] [--up-power T[:UNIT]]\n"
     "[--low-power T[:UNIT]] [--up-power-harm T[:UNIT]]\n"
     "[--low-power-harm T[:UNIT]] [--up-sfdr DB] [--low-sfdr DB]\n"
     "[--up-thdn DB] [--low-thdn DB] [--up-thd DB] [--low-thd DB]\n"
     "[--up-snr DB] [--low-snr DB] [--channels LIST] [--width N]\n"
     "[--fft N] [--impedance OHMS] [--json]",
     "search steps through the record one shown width (--width, 1024) after the other, as the\n"
     "oscilloscope scrolls, and prints the first block in which a channel crosses a threshold:\n"
     "levels in volts, frequencies in kHz, SFDR, THD+N, THD and SNR in dB, signal levels in\n"
     "dB, dBm, dBuV, В(ампл) or В(эфф) (dB unless given). --config takes the \"Find/\" criteria,\n"
     "the channel choice and the analyser settings of a configuration; options override them.\n"
     "Without a channel list every channel is searched.\n",
     searchCommand},
    {nullptr, "export",
     "FILE... --what samples|spectrum --csv OUT.csv [--fft N] [--window CODE]\n"
     "[--range full|centred] [--position SAMPLE] [--length SAMPLES]",
     "export writes what the viewer's CSV export writes: the samples from --position on\n"
     "(--length of them, N by default) in ADC codes, or the spectrum of the block in V^2 per bin.\n",
     exportCommand, true},
    {nullptr, "convert", "IN OUT.bin [--rate HZ] [--bits B] [--range VOLTS]",
     "convert rewrites a capture in another format as a record: WAV, FLAC, AIFF (libsndfile),\n"
     "NumPy .npy, MATLAB .mat, SigMF (.sigmf-meta with its .sigmf-data) or CSV. What the format\n"
     "does not carry comes from the options: the rate (.npy, CSV without a time column), the\n"
     "bits (default: the width of integer samples; 24 for float, 32 for double, which are\n"
     "fractions of the full scale, except the whole numbers beyond +-1 of .npy, .mat and CSV,\n"
     "codes read as they stand, at the fewest bits that hold them) and the range (1 V). Every\n"
     "command that reads records takes such captures too, with --rate and --bits.\n",
     convertCommand},
    {nullptr, "shm-produce", "NAME [generate options] --blocks K --period-ms T",
     "shm-produce publishes K blocks of S samples, one every T ms, in the shared-memory regions\n"
     "NAME_blk0, NAME_flg and NAME_postfix (the viewer's \"-sm NAME\"), and removes them at the end.\n",
     shmProduceCommand},
    {nullptr, "serve", "RECORD... [--port P] [--period-ms T] [--block-samples S]",
     "serve answers the network source on port P (7777): each record by its file name, with\n"
     "its flag file; with --period-ms it serves each record as a live acquisition instead:\n"
     "block after block of S samples (65536), one every T ms, offered through a flag of its own.\n",
     serveCommand},
};

const char ExitStatuses[] =
    "exit status: 0 done, 1 an option's value is wrong, 2 an unknown command or option, or the\n"
    "record cannot be read or written, 3 (devparams, batch) a figure misses its criterion;\n"
    "search: 0 a block matched, 1 none did, 2 any error.\n";

// Continuation lines of a usage start under the first one's options.
const char UsageIndent[] = "                    ";

QByteArray usageLines(const ToolCommand &command)
{
    QByteArray text = "  orma-tool " + commandName(command) + ' ';
    text += QByteArray(command.usage).replace("\n", QByteArray("\n") + UsageIndent);
    return text + '\n';
}

} // namespace

QByteArray commandName(const ToolCommand &command)
{
    if (!command.measurement)
        return command.name;
    const measure::Entry *entry = measure::find(command.measurement);
    return entry ? entry->toolCommand : "";
}

const ToolCommand *findToolCommand(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    const QByteArray wanted = name.toUtf8();
    for (const ToolCommand &command : kCommands)
        if (commandName(command) == wanted)
            return &command;
    return nullptr;
}

QByteArray toolUsage()
{
    QByteArray text = "usage:\n";
    for (const ToolCommand &command : kCommands)
        text += usageLines(command);
    text += "  orma-tool COMMAND --help\n  orma-tool --help | --version\n\n";
    for (const ToolCommand &command : kCommands)
        text += command.help;
    return text + ExitStatuses;
}

QByteArray commandUsage(const ToolCommand &command)
{
    return "usage:\n" + usageLines(command) + '\n' + command.help;
}
