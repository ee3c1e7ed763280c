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
    "  orma-tool generate OUT.bin [--channels N] [--samples S] [--rate HZ] [--bits B]\n"
    "                    [--bytes 1|2|4] [--range VOLTS] [--code 0|1|2] [--complex]\n"
    "                    [--tone FREQ:AMPLITUDE_CODES[:PHASE_DEG]]... [--noise LSB_RMS]\n"
    "                    [--no-postfix]\n"
    "  orma-tool produce OUT.bin [generate options] --blocks K --period-ms T\n"
    "  orma-tool shm-produce NAME [generate options] --blocks K --period-ms T\n"
    "  orma-tool serve RECORD... [--port P] [--period-ms T] [--block-samples S]\n"
    "\n"
    "analyze reads the records as the viewer does and prints every channel's figures;\n"
    "--wait takes each block from a live producer through the flag file.\n"
    "generate writes a record (samples of every channel, then the postfix); records with a\n"
    "postfix are read as two's complement, other codes are for records without one.\n"
    "produce grows a record by one block of S samples every T ms and offers each block\n"
    "through the flag file (OUT.flg).\n"
    "shm-produce publishes K blocks of S samples, one every T ms, in the shared-memory regions\n"
    "NAME_blk0, NAME_flg and NAME_postfix (the viewer's \"-sm NAME\"), and removes them at the end.\n"
    "serve answers the network source on port P (7777): each record by its file name, with\n"
    "its flag file; with --period-ms it serves each record as a live acquisition instead:\n"
    "block after block of S samples (65536), one every T ms, offered through a flag of its own.\n"
    "exit status: 0 done, 1 bad command line, 2 the record cannot be read or written.\n";

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
