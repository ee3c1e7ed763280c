// orma-tool vector: the vector diagram's read-outs of one I/Q pair over a window, the red
// marker on its first sample and the blue one on its last.
#include "Commands.h"
#include "IqWindow.h"
#include "RecordReading.h"

#include "sources/measure/vector/VectorReport.h"

int vectorCommand(const QStringList &args)
{
    CommandLine cl(args, iqWindowOptions(), {"--json"});
    IqWindow w;
    IqSlice z;
    if (const int status = readIqCommand(cl, QStringLiteral("vector"), w, z); status != ExitOk)
        return status;
    const VectorFigures f = vectorFiguresOf(z);
    const VectorReportOptions report{w.files, w.pair};
    if (cl.has("--json"))
        printJson(vectorJson(z, f, report));
    else
        printText(vectorText(z, f, report));
    return ExitOk;
}
