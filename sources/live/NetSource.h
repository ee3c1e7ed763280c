#pragma once
// Record blocks fetched from a server over TCP: the flag handshake of record files runs over
// the connection (commands 3 and 4), then the block's size (5) and the block itself (6), whose
// last 4096 bytes hold its postfix. Only the transport differs from record files.
//
// The worker owns the connection: it connects when a run starts (retrying with a pause while
// nobody listens), closes a connection that fails or falls out of step and connects again
// after a pause, and says why with signalAddText(). Whatever the server does, a stop ends
// every wait within a slice of 100 ms.
#include "sources/record/FileSource.h"
#include "sources/live/NetProtocol.h"

#include <QElapsedTimer>

#include <memory>

class TcpChannel;

class NetSource : public FileSource {
    Q_OBJECT
public:
    explicit NetSource(QObject *parent = nullptr);
    ~NetSource() override;

    // While the thread is not running.
    void setServerAddress(const QString &sAddress) { m_address = sAddress; }
    void setServerPort(int nPort) { m_port = uint16_t(nPort); }
    // The record's name on the server; its flag is the name with ".bin" -> ".flg".
    void setFileName(const QString &name) override;
    // How long a reply may stay silent before the exchange is given up.
    void setReplyTimeout(int ms) { m_replyTimeoutMs = ms; }

    void writeFlag(int32_t state, int32_t value) override;
    FlagWord readFlag() override;
    uint8_t detectContent() override { return ContentSamples; }
    bool readSamples() override;
    uint8_t loadPostfixes() override;
    bool recordExists() override { return true; }
    // False while the server answers the flag read with status -1 (no flag: read at once).
    bool flagExists() override;
    qint64 recordSize() override { return m_blockBytes; }
    uint32_t blockBytes() const { return m_blockBytes; }

    static constexpr int ReplyTimeoutMs = 5000;
    static constexpr int ConnectTimeoutMs = 2000;
    static constexpr int ReconnectPauseMs = 500;
    // A block still arriving after this long says how much of it has come, and again as often.
    static constexpr int ProgressAfterMs = 1000;

protected:
    // The connection (made by the first wait) is closed, command 2 first, when the run ends.
    void endRun() override;
    // Connects if need be, plays the handshake, then fetches the block.
    void waitForData() override;
    int readBlock() override;

private:
    bool connectToServer();
    void fetchBlock();
    void reportFetchProgress();
    // Takes an exchange's result; a broken one closes the connection.
    bool settle(net::Client::Result result);
    QString netText(const QString &text) const;
    // The connection is the thread's that made it; from elsewhere (terminate) nobody is told.
    bool ownsConnection() const { return m_channel && QThread::currentThread() == m_channelThread; }

    QString m_address = QStringLiteral("127.0.0.1");
    uint16_t m_port = 7777;
    QByteArray m_recordName, m_flagName;
    int m_replyTimeoutMs = ReplyTimeoutMs;

    std::unique_ptr<TcpChannel> m_channel;
    std::unique_ptr<net::Client> m_client;
    QThread *m_channelThread = nullptr;
    qint64 m_reconnectAt = 0; // ms of m_clock before which no new connection is tried
    QElapsedTimer m_clock;
    bool m_flagMissing = false;
    std::vector<uint8_t> m_block;
    uint32_t m_blockBytes = 1;
    bool m_blockValid = false; // m_block holds a whole block
    bool m_newBlock = false;   // this pass fetched one
    // The fetch under way: the channel's byte count when it was asked for, its size, since
    // when (or the last progress report; invalid between fetches).
    uint64_t m_fetchFrom = 0;
    uint32_t m_fetchBytes = 0;
    QElapsedTimer m_fetchClock;
    bool m_progressShown = false;
};
