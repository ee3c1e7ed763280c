#include "sources/live/NetProtocol.h"

#include "sources/record/SystemFacts.h"

#include <algorithm>

namespace net {

uint64_t maxBlockBytes() { return std::min<uint64_t>(UINT32_MAX, blockMemoryLimit()); }

void putWord(uint8_t *out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = uint8_t(v >> (8 * i));
}

uint32_t getWord(const uint8_t *in)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(in[i]) << (8 * i);
    return v;
}

QByteArray encodeHeader(const Header &header)
{
    QByteArray bytes(HeaderBytes, '\0');
    uint8_t *out = reinterpret_cast<uint8_t *>(bytes.data());
    putWord(out, header.magic);
    putWord(out + 8, header.command);
    putWord(out + 12, uint32_t(header.status));
    putWord(out + 16, header.nameLength);
    return bytes;
}

bool decodeHeader(const uint8_t *bytes, Header &header)
{
    header.magic = getWord(bytes);
    header.command = getWord(bytes + 8);
    header.status = int32_t(getWord(bytes + 12));
    header.nameLength = getWord(bytes + 16);
    return header.magic == Magic;
}

Client::Result Client::request(uint32_t command, const QByteArray &name)
{
    Header header;
    header.command = command;
    header.nameLength = uint32_t(name.size());
    const QByteArray bytes = encodeHeader(header) + name;
    if (m_channel.send(bytes.constData(), size_t(bytes.size())))
        return Done;
    m_error = QStringLiteral("команда %1 не отправлена: %2").arg(command).arg(m_channel.error());
    return Broken;
}

Client::Result Client::receive(uint32_t command, void *data, size_t bytes, const QString &what)
{
    if (m_channel.receive(data, bytes))
        return Done;
    m_error = QStringLiteral("ответ на команду %1 (%2, %3 байт): %4")
                  .arg(command).arg(what).arg(bytes).arg(m_channel.error());
    return Broken;
}

Client::Result Client::reply(uint32_t command)
{
    uint8_t bytes[HeaderBytes];
    if (receive(command, bytes, sizeof bytes, QStringLiteral("заголовок")) != Done)
        return Broken;
    Header header;
    if (!decodeHeader(bytes, header)) {
        m_error = QStringLiteral("ответ на команду %1 с неверной меткой 0x%2 вместо 0x%3")
                      .arg(command)
                      .arg(header.magic, 8, 16, QLatin1Char('0'))
                      .arg(Magic, 8, 16, QLatin1Char('0'));
        return Broken;
    }
    if (header.status == StatusRefused) {
        m_error = QStringLiteral("сервер отказал в команде %1 (статус -1)").arg(command);
        return Refused;
    }
    return Done;
}

Client::Result Client::writeFlag(const QByteArray &flagName, FlagWord word)
{
    Result r = request(CmdWriteFlag, flagName);
    if (r == Done)
        r = reply(CmdWriteFlag);
    if (r != Done)
        return r;
    uint8_t bytes[8];
    putWord(bytes, uint32_t(word.state));
    putWord(bytes + 4, uint32_t(word.value));
    if (!m_channel.send(bytes, sizeof bytes)) {
        m_error = QStringLiteral("флаг не отправлен: %1").arg(m_channel.error());
        return Broken;
    }
    return reply(CmdWriteFlag);
}

Client::Result Client::readFlag(const QByteArray &flagName, FlagWord &word)
{
    Result r = request(CmdReadFlag, flagName);
    if (r == Done)
        r = reply(CmdReadFlag);
    if (r != Done)
        return r;
    uint8_t bytes[8];
    if (receive(CmdReadFlag, bytes, sizeof bytes, QStringLiteral("флаг")) != Done)
        return Broken;
    word.state = int32_t(getWord(bytes));
    word.value = int32_t(getWord(bytes + 4));
    return Done;
}

Client::Result Client::blockSize(const QByteArray &recordName, uint32_t &bytes)
{
    Result r = request(CmdBlockSize, recordName);
    if (r == Done)
        r = reply(CmdBlockSize);
    if (r != Done)
        return r;
    uint8_t words[8];
    if (receive(CmdBlockSize, words, sizeof words, QStringLiteral("размер")) != Done)
        return Broken;
    bytes = getWord(words);
    if (bytes == 0) {
        m_error = QStringLiteral("сервер сообщил размер блока 0");
        return Refused;
    }
    if (bytes > m_blockLimit) {
        m_error = QStringLiteral("блок в %1 больше предела в %2 (половина памяти машины)")
                      .arg(byteSizeText(bytes), byteSizeText(m_blockLimit));
        return Refused;
    }
    return Done;
}

Client::Result Client::fetchBlock(const QByteArray &recordName, uint32_t bytes,
                                  std::vector<uint8_t> &block)
{
    Result r = request(CmdFetchBlock, recordName);
    if (r == Done)
        r = reply(CmdFetchBlock);
    if (r != Done)
        return r;
    // Memory follows the bytes that arrive, not what the header promised.
    constexpr size_t Step = 1u << 20;
    size_t got = std::min<size_t>(block.size(), bytes);
    block.resize(got);
    if (receive(CmdFetchBlock, block.data(), got, QStringLiteral("блок")) != Done)
        return Broken;
    while (got < bytes) {
        const size_t step = std::min<size_t>(Step, bytes - got);
        block.resize(got + step);
        if (receive(CmdFetchBlock, block.data() + got, step, QStringLiteral("блок")) != Done)
            return Broken;
        got += step;
    }
    return Done;
}

void Client::sendClose()
{
    request(CmdClose, QByteArray());
}

} // namespace net
