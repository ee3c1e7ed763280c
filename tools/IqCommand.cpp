// orma-tool iq: envelope, instantaneous frequency and phase of one I/Q pair of a complex
// record over a window, as the amplitude, frequency and phase view computes them.
#include "Commands.h"
#include "IqWindow.h"
#include "RecordReading.h"

#include "sources/measure/iq/IqReport.h"

int iqCommand(const QStringList &args)
{
    CommandLine cl(args, iqWindowOptions(), {"--series", "--json"});
    IqWindow w;
    IqSlice z;
    if (const int status = readIqCommand(cl, QStringLiteral("iq"), w, z); status != ExitOk)
        return status;
    const IqFigures f = iqFiguresOf(z);
    const IqReportOptions report{w.files, w.pair, cl.has("--series")};
    if (cl.has("--json"))
        printJson(iqJson(z, f, report));
    else
        printText(iqText(z, f, report));
    return ExitOk;
}
