// orma-tool: the viewer's acquisition and analysis engine for scripts and production tests.
#include "CommandLine.h"
#include "CommandTable.h"
#include "Commands.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString name = args.isEmpty() ? QString() : args.takeFirst();
    if (const ToolCommand *command = findToolCommand(name)) {
        if (args.contains(QLatin1String("--help"))) {
            std::fputs(commandUsage(*command).constData(), stdout);
            return ExitOk;
        }
        return command->run(args);
    }
    if (name == QLatin1String("--help") || name == QLatin1String("help")) {
        std::fputs(toolUsage().constData(), stdout);
        return ExitOk;
    }
    reportError(name.isEmpty() ? QStringLiteral("no command given")
                               : QStringLiteral("unknown command ") + name);
    std::fputs(toolUsage().constData(), stderr);
    return ExitUsage;
}
