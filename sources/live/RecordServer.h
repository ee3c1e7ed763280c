#pragma once
// The reference peer of the network source: a TCP server that serves record files by name
// with the block protocol, each with its flag. A record is served whole as it is on disk
// (followed while a producer grows it, with the flag file beside it, if any), or, with a
// period, as a live acquisition: block after block of its samples, each offered through a flag
// the server keeps, the next one only once the viewer is back from the last.
#include <QByteArray>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TcpChannel;

class RecordServer {
public:
    struct Options {
        uint16_t port = 0;          // 0: any free port (see port())
        int periodMs = 0;           // 0: serve the files whole as they are
        uint64_t blockSamples = 65536; // samples per channel in one block of a period
    };

    RecordServer(const QStringList &records, const Options &options);
    // Stops serving and closes every connection.
    ~RecordServer();

    // Reads the records and listens (again after a stop); false with the reason when a record
    // or the port fails.
    bool start(QString *error = nullptr);
    void stop();
    uint16_t port() const { return m_port; }
    // Connections that ended with the closing command.
    int closesReceived() const { return m_closes; }

private:
    struct Record;
    void acceptLoop();
    void serve(int fd);
    void growLoop();
    bool answer(TcpChannel &channel, uint32_t command, const QByteArray &name,
                std::vector<std::pair<QByteArray, QByteArray>> &snapshots);
    Record *recordNamed(const QByteArray &name);
    Record *recordFlagged(const QByteArray &flagName);
    QByteArray image(Record &record);

    QStringList m_paths;
    Options m_options;
    std::vector<std::unique_ptr<Record>> m_records;
    std::mutex m_mutex; // the records' images and flags
    int m_listen = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_closes{0};
    std::thread m_acceptor, m_grower;
    std::mutex m_clientsMutex;
    std::vector<std::thread> m_clients;
};
