#pragma once
// The save dialog in front of a table export: asks for the file, writes it, and tells the user
// what failed. Returns whether the file was written.
#include "sources/TableExport.h"

class QWidget;

bool exportTableToFile(QWidget *parent, const ExportTable &table, const QString &suggestedName);
