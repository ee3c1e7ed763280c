#pragma once
// Which stored channel of which loaded file a device channel number is. The first file's
// descriptor names its channels; later files continue the numbering after its last one.
#include "sources/FileParams.h"

#include <QList>

#include <vector>

class ChannelMap {
public:
    ChannelMap() = default;
    explicit ChannelMap(const std::vector<FileParams> &files);

    int totalCount() const { return m_total; }
    // Device channel numbers, buffer order; empty while the first file names no channels.
    const QList<int> &numbers() const { return m_numbers; }
    int indexOf(int channelNumber) const { return m_numbers.indexOf(channelNumber); }
    // Index of the file that holds buffer channel k (0 when out of range).
    int fileOfIndex(int k) const;
    // Index of the file that holds the device channel (0 when absent).
    int fileOfChannel(int channelNumber) const;

private:
    int m_total = 0;
    QList<int> m_numbers;
    std::vector<int> m_fileEnds; // one past each file's last buffer channel
};
