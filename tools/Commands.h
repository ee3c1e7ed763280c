#pragma once
#include <QStringList>

class QCoreApplication;

// Exit codes: 0 done; 1 an option's value is wrong; 2 the record cannot be analysed or written,
// or the command or an option is unknown (2, as getopt's tools answer a command line they cannot
// read); 3 a device figure misses its criterion.
constexpr int ExitOk = 0;
constexpr int ExitUsage = 1;
constexpr int ExitRecord = 2;
constexpr int ExitUnknown = 2;
constexpr int ExitCriterion = 3;

int analyzeCommand(const QStringList &args);
int generateCommand(const QStringList &args);
int produceCommand(const QStringList &args);
int phaseCommand(const QStringList &args);
int iqCommand(const QStringList &args);
int vectorCommand(const QStringList &args);
int histogramCommand(const QStringList &args);
int devparamsCommand(const QStringList &args);
int imdCommand(const QStringList &args);
int sinefitCommand(const QStringList &args);
// Exit status of its own: 0 a block matched, 1 none did, 2 an error.
int searchCommand(const QStringList &args);
int exportCommand(const QStringList &args);
int shmProduceCommand(const QStringList &args);
int serveCommand(const QStringList &args);
int convertCommand(const QStringList &args);
// Exit status 3 when a figure misses its criterion, 2 when a record cannot be analysed.
int batchCommand(const QStringList &args);
// Only where the widgets are built: the report's command and the application it draws in.
int reportCommand(const QStringList &args);
QCoreApplication *reportApplication(int &argc, char **argv);
