#include "sources/ChannelMap.h"

#include <algorithm>
#include <cstdint>

ChannelMap::ChannelMap(const std::vector<FileParams> &files)
{
    uint64_t end = 0;
    for (const FileParams &p : files) {
        if (p.hasChannels())
            end += p.channelCount;
        m_fileEnds.push_back(int(std::min<uint64_t>(end, INT32_MAX)));
    }
    m_total = m_fileEnds.empty() ? 0 : m_fileEnds.back();
    if (files.empty() || files.front().channelNumbers.empty())
        return;
    for (int n : files.front().channelNumbers)
        m_numbers << n;
    int next = m_numbers.last() + 1;
    for (size_t i = 1; i < files.size(); ++i) {
        const FileParams &p = files[i];
        for (uint32_t c = 0; p.hasChannels() && c < p.channelCount; ++c)
            m_numbers << next++;
    }
}

int ChannelMap::fileOfIndex(int k) const
{
    if (k < 0)
        return 0;
    for (size_t i = 0; i < m_fileEnds.size(); ++i)
        if (k < m_fileEnds[i])
            return int(i);
    return 0;
}

int ChannelMap::fileOfChannel(int channelNumber) const
{
    const int index = indexOf(channelNumber);
    return index < 0 ? 0 : fileOfIndex(index);
}
