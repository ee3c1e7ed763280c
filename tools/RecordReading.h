#pragma once
// What every orma-tool command that reads records shares: the checks made before anything is
// read, one block served as the viewer's data cycle asks for it, the errors a served block can
// carry, and reports printed.
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include "sources/BlockSnapshot.h"
#include "sources/measure/ReportText.h"

#include <cstdint>
#include <functional>

class CommandLine;
class FileSource;
struct ForeignFill;

// --rate HZ, --bits B and --range VOLTS (1 V unless given): what a capture in another format
// does not carry.
void readForeignOptions(CommandLine &cl, ForeignFill &fill);
// Takes --rate and --bits out of a reading command's arguments for every record it opens; false
// with the problem in `error` when a value is wrong.
bool takeForeignOptions(QStringList &args, QString &error);

// The first problem with the files (missing, unreadable, empty unless `wait`); empty if none.
QString checkRecordFiles(const QStringList &files, bool wait);
// The source reads `files`, the first being the main record (captures in other formats with
// the options taken by takeForeignOptions()).
void openRecords(FileSource &source, const QStringList &files);
// Checks the files, reports the first problem and returns false; else opens them in the source.
bool openCheckedRecords(FileSource &source, const QStringList &files, bool wait);
// One block; `wait` takes it from a live producer through the flag file.
void runBlock(FileSource &source, bool wait);
// Why the last block cannot be used, named after `file`; empty when it can.
QString blockError(const FileSource &source, const QString &file);
// Opens the checked files, lets `configure` set the source up, serves one block and returns
// ExitOk with it in `block`; else reports what failed and returns its exit status.
int readOneBlock(const QStringList &files, const std::function<void(FileSource &)> &configure,
                 BlockSnapshotPtr &block);
// Reports that `position` lies beyond the record and returns true when it does.
bool positionBeyondRecord(const QString &file, uint64_t position, const BlockSnapshot &block);

// The object, indented, on standard output.
void printJson(const QJsonObject &o);
// A report's text on standard output, in the locale's encoding.
void printText(const QString &text);
