#pragma once
// Runs the orma-tool built beside the test and collects its exit status and output.
#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

struct ToolRun {
    int exitCode = -1; // -1: crashed or timed out
    QByteArray out, err;
};

inline ToolRun runTool(const QStringList &args, int timeoutMs = 60000)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/orma-tool", args);
    ToolRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
