#pragma once
// The block protocol between the network source and its server: 64-byte little-endian headers
// (magic 0xAABBCCDD, command, status, length of the name that follows), five commands, and the
// viewer's side of each exchange over any byte channel. Every reply is checked (magic, status,
// sizes) before anything is sized from it.
#include "sources/record/FlagFile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace net {

constexpr uint32_t Magic = 0xAABBCCDDu;
constexpr int HeaderBytes = 64;
constexpr int32_t StatusRefused = -1;
// The largest block taken or served: what the size word can say, and no more than half the
// machine's memory (a block of 16 channels of 4M 4-byte samples is an ordinary one).
uint64_t maxBlockBytes();
// Names longer than this are not names (the server closes the connection).
constexpr uint32_t MaxNameBytes = 4096;

enum Command : uint32_t {
    CmdClose = 2,      // end of the connection; no reply
    CmdWriteFlag = 3,  // name; reply; unless refused: 8 flag bytes, second reply
    CmdReadFlag = 4,   // name; reply; unless refused: 8 flag bytes
    CmdBlockSize = 5,  // name; reply; unless refused: block bytes (u32), a word not interpreted
    CmdFetchBlock = 6, // name; reply; unless refused: exactly the block's bytes
};

struct Header {
    uint32_t magic = Magic;
    uint32_t command = 0;
    int32_t status = 0;
    uint32_t nameLength = 0;
};

// The 64 bytes of a header; the bytes no field names are zero.
QByteArray encodeHeader(const Header &header);
// False when the magic is wrong (the stream is then out of step).
bool decodeHeader(const uint8_t *bytes, Header &header);
void putWord(uint8_t *out, uint32_t v);
uint32_t getWord(const uint8_t *in);

// A connection's bytes: exact sends and receives, each false when the channel failed (closed,
// silent too long, stopped); error() says which.
class ByteChannel {
public:
    virtual ~ByteChannel() = default;
    virtual bool send(const void *data, size_t bytes) = 0;
    virtual bool receive(void *data, size_t bytes) = 0;
    virtual QString error() const = 0;
};

// The viewer's side of the five exchanges.
class Client {
public:
    enum Result {
        Done,
        Refused, // the server refused (status -1) or offered what cannot be taken; still in step
        Broken,  // the channel failed or went out of step: it must be closed
    };

    explicit Client(ByteChannel &channel) : m_channel(channel) {}

    // A size above the limit is refused rather than allocated.
    void setBlockLimit(uint64_t bytes) { m_blockLimit = bytes; }
    uint64_t blockLimit() const { return m_blockLimit; }

    Result writeFlag(const QByteArray &flagName, FlagWord word);
    Result readFlag(const QByteArray &flagName, FlagWord &word);
    Result blockSize(const QByteArray &recordName, uint32_t &bytes);
    // `block` is filled with exactly `bytes` (a size blockSize() accepted); it grows only as
    // the bytes arrive.
    Result fetchBlock(const QByteArray &recordName, uint32_t bytes, std::vector<uint8_t> &block);
    void sendClose();
    // What the last Refused or Broken exchange ran into.
    const QString &error() const { return m_error; }

private:
    Result request(uint32_t command, const QByteArray &name);
    Result reply(uint32_t command);
    Result receive(uint32_t command, void *data, size_t bytes, const QString &what);

    ByteChannel &m_channel;
    uint64_t m_blockLimit = maxBlockBytes();
    QString m_error;
};

} // namespace net
