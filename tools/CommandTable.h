#pragma once
// Every orma-tool command, one row each: its name, its usage lines, its paragraph of the help
// and the function that runs it. main() dispatches through the table and prints the help from
// it; a measurement's command takes its name from the measurement's row of measure::Registry.
#include <QByteArray>
#include <QStringList>

class QCoreApplication;

struct ToolCommand {
    const char *measurement; // the Registry id of a measurement's command, else null
    const char *name;        // a command of the tool's own; null for a measurement
    const char *usage;       // what follows the name, its lines separated by '\n'
    const char *help;        // its paragraph of the help, each line ending in '\n'
    int (*run)(const QStringList &args);
    // Reads records: also takes --rate and --bits for captures in other formats.
    bool readsRecords = false;
    // Makes the application the command runs in; null for the core's QCoreApplication.
    QCoreApplication *(*application)(int &argc, char **argv) = nullptr;
};

// The command called `name`, or null.
const ToolCommand *findToolCommand(const QString &name);
QByteArray commandName(const ToolCommand &command);
// Every command's usage, their help and the exit statuses (UTF-8).
QByteArray toolUsage();
// One command's usage and help (UTF-8).
QByteArray commandUsage(const ToolCommand &command);
