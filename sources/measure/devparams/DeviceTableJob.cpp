#include "sources/measure/devparams/DeviceTableJob.h"

#include <algorithm>

DeviceRows deviceRows(const BlockSnapshot &block)
{
    DeviceRows rows;
    const FileParams &p = block.firstFile();
    if (!p.hasChannels())
        return rows;
    const size_t n = size_t(std::min<uint64_t>(p.channelCount, block.records.size()));
    for (size_t k = 0; k < n; ++k) {
        const ChannelRecord &r = block.records[k];
        rows.channels.push_back(r.channelNumber);
        rows.values.push_back({r.sfdr, r.snr, r.thd, r.sinad, r.enob});
        rows.datasheet.push_back(r.datasheet);
    }
    return rows;
}
