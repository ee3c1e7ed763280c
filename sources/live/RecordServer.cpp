#include "sources/live/RecordServer.h"

#include "sources/record/FlagFile.h"
#include "sources/live/NetProtocol.h"
#include "sources/record/Postfix.h"
#include "sources/live/TcpChannel.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>
#include <QThread>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

struct RecordServer::Record {
    QString path;
    QByteArray name, flagName; // as the client sends them
    // Served as on disk: the file's bytes, read again when its size or time changes.
    QByteArray image;
    qint64 imageSize = -1;
    QDateTime imageTime;
    // Served block by block: the layout of one block, the blocks, the one served, the flag.
    FileParams params;
    uint64_t totalBlocks = 1, step = 1;
    FlagWord flag{FlagBlockReady, 1};
};

namespace {

QByteArray clientName(const QString &text)
{
    return QTextCodec::codecForName("CP1251")->fromUnicode(text);
}

bool readFile(const QString &path, qint64 from, qint64 bytes, QByteArray &out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return false;
    out = file.read(bytes);
    return out.size() == bytes;
}

} // namespace

RecordServer::RecordServer(const QStringList &records, const Options &options)
    : m_paths(records), m_options(options)
{
}

RecordServer::~RecordServer() { stop(); }

bool RecordServer::start(QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    m_records.clear();
    for (const QString &path : m_paths) {
        auto record = std::make_unique<Record>();
        record->path = path;
        record->name = clientName(QFileInfo(path).fileName());
        record->flagName = clientName(FlagFile::pathFor(QFileInfo(path).fileName()));
        if (m_options.periodMs > 0) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return fail(path + QStringLiteral(": ") + file.errorString());
            const qint64 size = file.size();
            file.seek(std::max<qint64>(0, size - PostfixTailBytes));
            const PostfixSearch found = findPostfix(file.read(PostfixTailBytes));
            record->params = zeroedFileParams();
            if (found.offset < 0 || parsePostfix(found.text, record->params) != PostfixParsed)
                return fail(path +
                            QStringLiteral(": a record served block by block needs its postfix"));
            const uint64_t frames = record->params.sampleCount;
            const uint64_t step = std::max<uint64_t>(1, std::min(m_options.blockSamples, frames));
            record->params.sampleCount = step;
            record->totalBlocks = std::max<uint64_t>(1, frames / step);
        } else if (!QFileInfo::exists(path)) {
            return fail(path + QStringLiteral(": no such record"));
        }
        m_records.push_back(std::move(record));
    }
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_ANY);
    at.sin_port = htons(m_options.port);
    socklen_t length = sizeof at;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0 ||
        ::listen(m_listen, 8) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&at), &length) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        stop();
        return fail(QStringLiteral("port %1: %2").arg(m_options.port).arg(reason));
    }
    m_port = ntohs(at.sin_port);
    m_stop = false;
    m_acceptor = std::thread([this] { acceptLoop(); });
    if (m_options.periodMs > 0)
        m_grower = std::thread([this] { growLoop(); });
    return true;
}

void RecordServer::stop()
{
    m_stop = true;
    if (m_acceptor.joinable())
        m_acceptor.join();
    if (m_grower.joinable())
        m_grower.join();
    std::vector<std::thread> clients;
    {
        std::lock_guard<std::mutex> lock(m_clientsMutex);
        clients.swap(m_clients);
    }
    for (std::thread &client : clients)
        client.join();
    if (m_listen >= 0)
        ::close(m_listen);
    m_listen = -1;
}

void RecordServer::acceptLoop()
{
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, TcpChannel::SliceMs) <= 0)
            continue;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard<std::mutex> lock(m_clientsMutex);
        m_clients.emplace_back([this, fd] { serve(fd); });
    }
}

void RecordServer::growLoop()
{
    while (!m_stop) {
        for (int waited = 0; waited < m_options.periodMs && !m_stop; waited += 10)
            QThread::msleep(10);
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto &record : m_records) {
            // A viewer that holds the last block gets the next one when it is back; past the
            // record's end the acquisition starts over.
            if (record->flag.state == FlagTaken)
                continue;
            record->step = record->step % record->totalBlocks + 1;
            record->image.clear();
            record->flag = {FlagBlockReady, int32_t(record->step)};
        }
    }
}

RecordServer::Record *RecordServer::recordNamed(const QByteArray &name)
{
    for (auto &record : m_records)
        if (record->name == name || clientName(record->path) == name)
            return record.get();
    return nullptr;
}

RecordServer::Record *RecordServer::recordFlagged(const QByteArray &flagName)
{
    for (auto &record : m_records)
        if (!record->flagName.isEmpty() &&
            (record->flagName == flagName ||
             clientName(FlagFile::pathFor(record->path)) == flagName))
            return record.get();
    return nullptr;
}

QByteArray RecordServer::image(Record &record)
{
    if (m_options.periodMs > 0) {
        if (record.image.isEmpty()) {
            const FileParams &step = record.params;
            const qint64 bytes = qint64(step.sampleCount * step.frameBytes());
            QByteArray data;
            if (readFile(record.path, qint64(record.step - 1) * bytes, bytes, data))
                record.image = data + formatPostfix(step, QStringLiteral("orma-tool serve"));
        }
        return record.image;
    }
    const QFileInfo info(record.path);
    if (!info.exists())
        return QByteArray();
    if (info.size() != record.imageSize || info.lastModified() != record.imageTime) {
        record.image.clear();
        if (uint64_t(info.size()) <= net::maxBlockBytes())
            readFile(record.path, 0, info.size(), record.image);
        record.imageSize = info.size();
        record.imageTime = info.lastModified();
    }
    return record.image;
}

void RecordServer::serve(int fd)
{
    TcpChannel channel(fd);
    channel.setStopRequested([this] { return m_stop.load(); });
    // What the last size query of each record reported: its fetch sends exactly that.
    std::vector<std::pair<QByteArray, QByteArray>> snapshots;
    for (;;) {
        uint8_t bytes[net::HeaderBytes];
        net::Header header;
        if (!channel.receive(bytes, sizeof bytes) || !net::decodeHeader(bytes, header))
            return;
        if (header.command == net::CmdClose) {
            ++m_closes;
            return;
        }
        if (header.nameLength > net::MaxNameBytes)
            return;
        QByteArray name(int(header.nameLength), '\0');
        if (!channel.receive(name.data(), size_t(name.size())) ||
            !answer(channel, header.command, name, snapshots))
            return;
    }
}

bool RecordServer::answer(TcpChannel &channel, uint32_t command, const QByteArray &name,
                          std::vector<std::pair<QByteArray, QByteArray>> &snapshots)
{
    auto reply = [&channel, command](int32_t status) {
        net::Header header;
        header.command = command;
        header.status = status;
        const QByteArray bytes = net::encodeHeader(header);
        return channel.send(bytes.constData(), size_t(bytes.size()));
    };
    const bool live = m_options.periodMs > 0; // the server keeps the flag
    if (command == net::CmdReadFlag || command == net::CmdWriteFlag) {
        std::unique_lock<std::mutex> lock(m_mutex);
        Record *record = recordFlagged(name);
        FlagFile file;
        if (record && !live)
            file.setPath(FlagFile::pathFor(record->path));
        FlagWord word;
        if (!record || (!live && !file.read(word)))
            return reply(net::StatusRefused);
        if (live)
            word = record->flag;
        lock.unlock();
        if (command == net::CmdReadFlag) {
            uint8_t out[8];
            net::putWord(out, uint32_t(word.state));
            net::putWord(out + 4, uint32_t(word.value));
            return reply(0) && channel.send(out, sizeof out);
        }
        uint8_t in[8];
        if (!reply(0) || !channel.receive(in, sizeof in))
            return false;
        const FlagWord written{int32_t(net::getWord(in)), int32_t(net::getWord(in + 4))};
        lock.lock();
        if (live)
            record->flag = written;
        else
            file.write(written);
        lock.unlock();
        return reply(0);
    }
    if (command != net::CmdBlockSize && command != net::CmdFetchBlock)
        return reply(net::StatusRefused);
    auto snapshot = std::find_if(snapshots.begin(), snapshots.end(),
                                 [&name](const auto &s) { return s.first == name; });
    QByteArray block;
    if (command == net::CmdFetchBlock && snapshot != snapshots.end()) {
        block = snapshot->second;
    } else {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (Record *record = recordNamed(name))
            block = image(*record);
    }
    if (block.isEmpty() || uint64_t(block.size()) > net::maxBlockBytes())
        return reply(net::StatusRefused);
    if (command == net::CmdFetchBlock)
        return reply(0) && channel.send(block.constData(), size_t(block.size()));
    if (snapshot != snapshots.end())
        snapshot->second = block;
    else
        snapshots.emplace_back(name, block);
    uint8_t out[8] = {};
    net::putWord(out, uint32_t(block.size()));
    return reply(0) && channel.send(out, sizeof out);
}
