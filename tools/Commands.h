#pragma once
#include <QStringList>

// Exit codes: 0 done; 1 the command line is wrong; 2 the record cannot be analysed or written.
constexpr int ExitOk = 0;
constexpr int ExitUsage = 1;
constexpr int ExitRecord = 2;

int analyzeCommand(const QStringList &args);
int generateCommand(const QStringList &args);
int produceCommand(const QStringList &args);
int shmProduceCommand(const QStringList &args);
int serveCommand(const QStringList &args);
