// orma-tool: the viewer's acquisition and analysis engine for scripts and production tests.
#include "CommandLine.h"
#include "CommandTable.h"
#include "Commands.h"
#include "RecordReading.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

// A command line the tool cannot read: what is wrong, then the usage, on stderr.
int refuse(const QString &problem, const QByteArray &usage)
{
    reportError(problem);
    std::fputs(usage.constData(), stderr);
    return ExitUnknown;
}

} // namespace

int main(int argc, char **argv)
{
    // A command that draws makes an application of its own.
    const ToolCommand *command = findToolCommand(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    const std::unique_ptr<QCoreApplication> app(command && command->application
                                                    ? command->application(argc, argv)
                                                    : new QCoreApplication(argc, argv));
    QStringList args = app->arguments().mid(1);
    const QString name = args.isEmpty() ? QString() : args.takeFirst();
    if (command) {
        if (args.contains(QLatin1String("--help"))) {
            std::fputs(commandUsage(*command).constData(), stdout);
            return ExitOk;
        }
        QString problem;
        if (command->readsRecords && !takeForeignOptions(args, problem)) {
            reportError(problem);
            return ExitUsage;
        }
        try {
            return command->run(args);
        } catch (const UnknownOption &unknown) {
            return refuse(QStringLiteral("unknown option ") + unknown.option, commandUsage(*command));
        }
    }
    if (name == QLatin1String("--help") || name == QLatin1String("help")) {
        std::fputs(toolUsage().constData(), stdout);
        return ExitOk;
    }
    if (name == QLatin1String("--version")) {
        std::fputs("orma-tool " ORMA_VERSION "\n", stdout);
        return ExitOk;
    }
    if (name.isEmpty())
        return refuse(QStringLiteral("no command given"), toolUsage());
    return refuse((name.startsWith(QLatin1String("-")) ? QStringLiteral("unknown option ")
                                                        : QStringLiteral("unknown command ")) + name,
                  toolUsage());
}
