// orma-tool serve: the network source's reference server, serving records and their flags by
// name until interrupted.
#include "CommandLine.h"
#include "Commands.h"

#include "sources/live/RecordServer.h"

#include <QFileInfo>
#include <QThread>

#include <cstdio>

int serveCommand(const QStringList &args)
{
    CommandLine cl(args, {"--port", "--period-ms", "--block-samples"}, {});
    RecordServer::Options options;
    options.port = uint16_t(cl.integer("--port", 7777, 0, 65535));
    options.periodMs = int(cl.integer("--period-ms", 0, 0, 3600000));
    options.blockSamples = uint64_t(cl.integer("--block-samples", 65536, 8, qint64(1) << 31));
    if (cl.positional().isEmpty())
        cl.fail(QStringLiteral("give the records to serve"));
    if (!cl.ok()) {
        reportError(cl.error());
        return ExitUsage;
    }
    RecordServer server(cl.positional(), options);
    QString error;
    if (!server.start(&error)) {
        reportError(error);
        return ExitRecord;
    }
    catchInterrupts();
    QStringList names;
    for (const QString &path : cl.positional())
        names << QFileInfo(path).fileName();
    std::printf("serving %s on port %u%s; Ctrl-C ends\n", qPrintable(names.join(", ")),
                unsigned(server.port()),
                options.periodMs ? qPrintable(QStringLiteral(", a block every %1 ms")
                                                  .arg(options.periodMs))
                                 : "");
    std::fflush(stdout);
    while (!interruptRequested())
        QThread::msleep(50);
    server.stop();
    return ExitOk;
}
