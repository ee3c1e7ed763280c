#pragma once
// The device table's rows from one delivered block, shared by the dialog and orma-tool.
#include "dsp/DeviceTable.h"
#include "sources/BlockSnapshot.h"

#include <vector>

// One row per channel of the current record that has a record, never more than the block holds
// (a descriptor not parsed yet claims 0xFFFFFFFF channels). Rows are named by the device channel
// numbers, so that a failing channel is found under the number the device gives it.
struct DeviceRows {
    std::vector<int> channels;
    std::vector<DeviceValues> values;
    std::vector<DatasheetFigures> datasheet; // not judged; the export lists them beside
};
DeviceRows deviceRows(const BlockSnapshot &block);
