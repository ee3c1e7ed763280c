#pragma once
// The generate options (--channels, --samples, --tone, ...) that every command writing records
// or blocks takes.
#include "CommandLine.h"

#include "sources/record/RecordWriter.h"

extern const QSet<QString> RecordOptions;
extern const QSet<QString> RecordFlags;

// The record described by the generate options, with exactly one positional argument (the
// output); errors go into the command line.
RecordRecipe recordRecipe(CommandLine &cl);
