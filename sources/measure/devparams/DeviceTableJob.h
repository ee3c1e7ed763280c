#pragma once
// The device table's rows from one delivered block, shared by the dialog and orma-tool.
#include "dsp/DeviceTable.h"
#include "sources/BlockSnapshot.h"

// Rows of the device table: one per channel of the current record that has a record, never
// more than the block holds (a descriptor not parsed yet claims 0xFFFFFFFF channels).
int deviceRowCount(const BlockSnapshot &block);
DeviceValues deviceValues(const ChannelRecord &record);
