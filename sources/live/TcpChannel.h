#pragma once
// One TCP connection as a byte channel, on plain POSIX sockets in the calling thread. Every
// wait is cut into 100 ms slices: a stop request ends it within one, and a peer that stays
// silent longer than the silence limit ends it with a message.
#include "sources/record/FileAccess.h"
#include "sources/live/NetProtocol.h"

#include <functional>

class TcpChannel : public net::ByteChannel {
public:
    static constexpr int SliceMs = 100;

    // Takes an accepted connection, or none (-1) to connect later.
    explicit TcpChannel(int fd = -1);
    ~TcpChannel() override { close(); }
    TcpChannel(const TcpChannel &) = delete;
    TcpChannel &operator=(const TcpChannel &) = delete;

    // Checked between slices; a stop ends the wait (the channel then counts as failed).
    void setStopRequested(StopRequested stop) { m_stop = std::move(stop); }
    // Called between slices of a send or receive (the source lets a GUI hold in there).
    void setIdle(std::function<void()> idle) { m_idle = std::move(idle); }
    // 0: wait as long as it takes.
    void setSilenceLimit(int ms) { m_silenceMs = ms; }

    // An IPv4 address in dots; false (error() says why) when refused, unreachable, stopped
    // or not connected within timeoutMs.
    bool connectTo(const QString &address, uint16_t port, int timeoutMs);
    bool isOpen() const { return m_fd >= 0; }
    void close();

    bool send(const void *data, size_t bytes) override;
    bool receive(void *data, size_t bytes) override;
    // True when a receive would not wait: bytes are there, or the peer has gone.
    bool readable();
    QString error() const override { return m_error; }
    // Bytes received since the channel was made, for a progress report of a long receive.
    uint64_t received() const { return m_received; }

private:
    enum class Wait { Ready, Slice, Failed };
    Wait waitFor(short events);
    bool stopped() const { return m_stop && m_stop(); }

    int m_fd = -1;
    StopRequested m_stop;
    std::function<void()> m_idle;
    int m_silenceMs = 0;
    uint64_t m_received = 0;
    QString m_error;
};
