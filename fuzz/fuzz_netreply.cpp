// The network source's side of the block protocol on arbitrary server bytes: the input is
// everything the server sends, cut wherever it is; flag reads and writes, size queries and
// fetches run over it until it is used up. No reply may crash, read past what arrived, or
// size a buffer beyond the protocol's limit.
#include "sources/live/NetProtocol.h"

#include <cstring>

namespace {

class ReplayChannel : public net::ByteChannel {
public:
    ReplayChannel(const uint8_t *data, size_t size) : m_data(data), m_left(size) {}

    bool send(const void *, size_t) override { return true; }
    bool receive(void *data, size_t bytes) override
    {
        if (bytes > m_left)
            return false; // the server went silent
        if (bytes == 0)
            return true;
        std::memcpy(data, m_data, bytes);
        m_data += bytes;
        m_left -= bytes;
        return true;
    }
    QString error() const override { return QStringLiteral("end of input"); }
    bool empty() const { return m_left == 0; }

private:
    const uint8_t *m_data;
    size_t m_left;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReplayChannel channel(data, size);
    net::Client client(channel);
    std::vector<uint8_t> block;
    const QByteArray record("data_0.bin"), flag("data_0.flg");
    // A conversation as the viewer holds it, block after block, while the input lasts.
    for (int round = 0; round < 64 && !channel.empty(); ++round) {
        FlagWord word;
        if (client.readFlag(flag, word) == net::Client::Broken ||
            client.writeFlag(flag, {FlagTaken, 0}) == net::Client::Broken)
            break;
        uint32_t bytes = 0;
        const net::Client::Result sized = client.blockSize(record, bytes);
        if (sized == net::Client::Broken)
            break;
        if (sized == net::Client::Done) {
            if (bytes > client.blockLimit())
                __builtin_trap();
            if (client.fetchBlock(record, bytes, block) == net::Client::Broken)
                break;
        }
    }
    return 0;
}
