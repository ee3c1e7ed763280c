// orma-tool convert: a capture in another format (WAV, FLAC, AIFF, .npy, .mat, SigMF, CSV)
// rewritten as a record with its postfix.
#include "CommandLine.h"
#include "Commands.h"
#include "RecordReading.h"

#include "sources/record/ForeignConversion.h"

int convertCommand(const QStringList &args)
{
    CommandLine cl(args, {"--rate", "--bits", "--range"}, {});
    ForeignFill fill;
    readForeignOptions(cl, fill);
    if (cl.ok() && cl.positional().size() != 2)
        cl.fail(QStringLiteral("convert takes IN and OUT.bin"));
    if (!cl.ok()) {
        reportError(cl.error());
        return ExitUsage;
    }
    const QString input = cl.positional().at(0);
    if (!isForeignFile(input)) {
        reportError(input + QStringLiteral(": not a format convert reads (") +
                    foreignFileFilters().replace(QStringLiteral(";;"), QStringLiteral(", ")) + ')');
        return ExitRecord;
    }
    QString error = checkRecordFiles({input}, false);
    if (!error.isEmpty() || !convertForeignFile(input, cl.positional().at(1), fill, error)) {
        reportError(error);
        return ExitRecord;
    }
    return ExitOk;
}
