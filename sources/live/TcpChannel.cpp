#include "sources/live/TcpChannel.h"

#include "sources/record/SystemFacts.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

void setNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) | O_NONBLOCK); }

} // namespace

TcpChannel::TcpChannel(int fd) : m_fd(fd)
{
    if (m_fd >= 0) {
        setNonBlocking(m_fd);
        const int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
}

void TcpChannel::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool TcpChannel::connectTo(const QString &address, uint16_t port, int timeoutMs)
{
    close();
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.toLatin1().constData(), &to.sin_addr) != 1) {
        m_error = QStringLiteral("адрес «%1» не является адресом IPv4").arg(address);
        return false;
    }
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        m_error = systemErrorText(errno);
        return false;
    }
    setNonBlocking(m_fd);
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(m_fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0 &&
        errno != EINPROGRESS) {
        m_error = systemErrorText(errno);
        close();
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        pollfd p{m_fd, POLLOUT, 0};
        const int n = ::poll(&p, 1, SliceMs);
        if (n > 0) {
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length);
            if (error == 0)
                return true;
            m_error = systemErrorText(error);
            break;
        }
        if (n < 0 && errno != EINTR) {
            m_error = systemErrorText(errno);
            break;
        }
        if (stopped()) {
            m_error = QStringLiteral("остановлено");
            break;
        }
        if (timer.elapsed() >= timeoutMs) {
            m_error = QStringLiteral("нет ответа за %1 мс").arg(timeoutMs);
            break;
        }
    }
    close();
    return false;
}

TcpChannel::Wait TcpChannel::waitFor(short events)
{
    pollfd p{m_fd, events, 0};
    const int n = ::poll(&p, 1, SliceMs);
    if (n < 0 && errno != EINTR) {
        m_error = systemErrorText(errno);
        return Wait::Failed;
    }
    if (stopped()) {
        m_error = QStringLiteral("остановлено");
        return Wait::Failed;
    }
    if (m_idle)
        m_idle();
    return n > 0 ? Wait::Ready : Wait::Slice;
}

bool TcpChannel::readable()
{
    pollfd p{m_fd, POLLIN, 0};
    return m_fd >= 0 && ::poll(&p, 1, 0) > 0;
}

bool TcpChannel::send(const void *data, size_t bytes)
{
    const char *at = static_cast<const char *>(data);
    QElapsedTimer silence;
    silence.start();
    while (m_fd >= 0 && bytes > 0) {
        const ssize_t put = ::send(m_fd, at, bytes, MSG_NOSIGNAL);
        if (put > 0) {
            at += put;
            bytes -= size_t(put);
            silence.restart();
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            m_error = systemErrorText(errno);
            return false;
        }
        if (waitFor(POLLOUT) == Wait::Failed)
            return false;
        if (m_silenceMs > 0 && silence.elapsed() >= m_silenceMs) {
            m_error =
                QStringLiteral("собеседник не принимает данные %1 с").arg(m_silenceMs / 1000.0);
            return false;
        }
    }
    return m_fd >= 0;
}

bool TcpChannel::receive(void *data, size_t bytes)
{
    char *at = static_cast<char *>(data);
    QElapsedTimer silence;
    silence.start();
    while (m_fd >= 0 && bytes > 0) {
        const ssize_t got = ::recv(m_fd, at, bytes, 0);
        if (got > 0) {
            at += got;
            bytes -= size_t(got);
            m_received += uint64_t(got);
            silence.restart();
            continue;
        }
        if (got == 0) {
            m_error = QStringLiteral("соединение закрыто собеседником");
            return false;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            m_error = systemErrorText(errno);
            return false;
        }
        if (waitFor(POLLIN) == Wait::Failed)
            return false;
        if (m_silenceMs > 0 && silence.elapsed() >= m_silenceMs && !readable()) {
            m_error = QStringLiteral("собеседник молчит %1 с").arg(m_silenceMs / 1000.0);
            return false;
        }
    }
    return m_fd >= 0;
}
