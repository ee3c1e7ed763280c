#pragma once
// One opener per format; each returns null with "field: problem" in `error`.
#include "sources/foreign/ForeignReader.h"

std::unique_ptr<ForeignReader> openSoundFile(const QString &path, QString &error);
std::unique_ptr<ForeignReader> openNpyFile(const QString &path, QString &error);
std::unique_ptr<ForeignReader> openCsvFile(const QString &path, QString &error);
std::unique_ptr<ForeignReader> openSigmfFile(const QString &path, QString &error);
std::unique_ptr<ForeignReader> openMatFile(const QString &path, QString &error);
