#include "sources/measure/devparams/DeviceTableJob.h"

#include <algorithm>

int deviceRowCount(const BlockSnapshot &block)
{
    const FileParams &p = block.firstFile();
    if (!p.hasChannels())
        return 0;
    return int(std::min<uint64_t>(p.channelCount, block.records.size()));
}

DeviceValues deviceValues(const ChannelRecord &r)
{
    return {r.sfdr, r.snr, r.thd, r.sinad, r.enob};
}
