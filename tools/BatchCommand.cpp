// orma-tool batch: every record of a list analysed with every measurement that applies to it,
// records side by side on worker threads, one row per record and channel judged against the
// device criteria; a record that cannot be analysed gets a row saying why, and the batch goes on.
#include "Commands.h"
#include "RecordFiguresReading.h"

#include "sources/measure/batch/BatchTable.h"
#include "sources/measure/devparams/DeviceTableReport.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace {

struct BatchOptions {
    AnalysisOptions analysis;
    DeviceCriteria criteria;
    int jobs = 1;
    int shard = 1, shards = 1; // this machine takes records shard, shard + shards, ... (from 1)
    QString out;               // empty: CSV on standard output
    BatchFormat format = BatchFormat::Csv;
};

// "--list FILE" pairs taken out of the arguments: the records the files name, one a line
// (blank lines and lines from '#' on skipped), as positional arguments.
bool takeLists(QStringList &args, QString &error)
{
    QStringList records;
    for (int i = 0; i < args.size();) {
        if (args.at(i) != QLatin1String("--list")) {
            ++i;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = QStringLiteral("--list needs a value");
            return false;
        }
        args.removeAt(i);
        const QString list = args.takeAt(i);
        QFile file(list);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            error = list + QStringLiteral(": the list of records cannot be read");
            return false;
        }
        while (!file.atEnd()) {
            const QString line = QString::fromLocal8Bit(file.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            // A name that looks like an option is still a record.
            records << (line.startsWith(QLatin1String("--")) ? QStringLiteral("./") + line : line);
        }
    }
    args += records;
    return true;
}

bool parse(QStringList args, BatchOptions &b)
{
    QString error;
    if (!takeLists(args, error)) {
        reportError(error);
        return false;
    }
    CommandLine cl(args, analysisValuedOptions() + QSet<QString>{"--criteria", "--jobs", "--shard", "--out"},
                   {});
    readAnalysisOptions(cl, QStringLiteral("batch"), b.analysis);
    if (cl.has("--criteria") &&
        !parseDeviceCriteria(cl.values("--criteria").last(), b.criteria.values, error, &b.criteria.named))
        cl.fail(error);
    b.jobs = int(cl.integer("--jobs", std::max(QThread::idealThreadCount(), 1), 1, 256));
    if (cl.has("--shard")) {
        const QString text = cl.values("--shard").last();
        bool okI = false, okN = false;
        b.shard = text.section(QLatin1Char('/'), 0, 0).toInt(&okI);
        b.shards = text.section(QLatin1Char('/'), 1).toInt(&okN);
        if (!okI || !okN || b.shards < 1 || b.shard < 1 || b.shard > b.shards)
            cl.fail(QStringLiteral("--shard %1: expected I/N with 1 <= I <= N").arg(text));
    }
    if (cl.has("--out")) {
        b.out = cl.values("--out").last();
        const QString suffix = QFileInfo(b.out).suffix().toLower();
        if (suffix == QLatin1String("jsonl") || suffix == QLatin1String("ndjson"))
            b.format = BatchFormat::JsonLines;
        else if (suffix != QLatin1String("csv"))
            cl.fail(QStringLiteral("--out %1: expected a .csv or .jsonl file").arg(b.out));
    }
    // Records side by side share the cores: each takes its share for its channels.
    if (!cl.has("--threads"))
        b.analysis.threads = std::max(1, QThread::idealThreadCount() / b.jobs);
    if (!cl.ok())
        reportError(cl.error());
    return cl.ok();
}

// Where the rows go: a file, or standard output; each record's rows reach it whole.
class RowSink {
public:
    bool open(const QString &path)
    {
        m_file.setFileName(path);
        if (path.isEmpty())
            return m_file.open(stdout, QIODevice::WriteOnly);
        return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    }
    QString error() const { return m_file.fileName() + QStringLiteral(": ") + m_file.errorString(); }
    bool write(const QString &text)
    {
        const QByteArray bytes = text.toUtf8();
        return m_file.write(bytes) == bytes.size() && m_file.flush();
    }

private:
    QFile m_file;
};

// "12/100 records, 2 failed, 1:05 left" on one line of a terminal.
class Progress {
public:
    explicit Progress(int total) : m_total(total), m_shown(isatty(STDERR_FILENO)) {}
    void show(int done, int failed)
    {
        if (!m_shown)
            return;
        const double elapsed = std::chrono::duration<double>(Clock::now() - m_start).count();
        QString left;
        if (done > 0 && done < m_total) {
            const int seconds = int(elapsed / done * (m_total - done) + 0.5);
            left = QStringLiteral(", %1:%2 left").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
        }
        std::fprintf(stderr, "\rbatch: %d/%d records, %d failed%s\033[K", done, m_total, failed,
                     qPrintable(left));
        std::fflush(stderr);
    }
    void end()
    {
        if (m_shown)
            std::fputc('\n', stderr);
    }

private:
    using Clock = std::chrono::steady_clock;
    int m_total;
    bool m_shown;
    Clock::time_point m_start = Clock::now();
};

// The records' figures in list order, from `jobs` threads that take the next record as they
// finish one; each holds one record's blocks at a time.
class BatchRun {
public:
    BatchRun(const QStringList &records, const BatchOptions &options)
        : m_records(records), m_options(options)
    {
    }

    // Calls `take` in list order on this thread as figures arrive, and `tick` at least once a
    // second with the records finished and failed so far.
    void run(const std::function<void(int, const RecordFigures &)> &take,
             const std::function<void(int, int)> &tick)
    {
        std::vector<std::unique_ptr<QThread>> workers;
        const int jobs = std::min(m_options.jobs, int(m_records.size()));
        for (int j = 0; j < jobs; ++j) {
            workers.emplace_back(QThread::create([this, jobs] { work(jobs); }));
            workers.back()->start();
        }
        for (int i = 0; i < m_records.size(); ++i) {
            std::unique_lock<std::mutex> lock(m_mutex);
            while (!m_done.count(i)) {
                const int finished = m_finished, failed = m_failed;
                lock.unlock();
                tick(finished, failed);
                lock.lock();
                m_arrived.wait_for(lock, std::chrono::seconds(1), [&] { return m_done.count(i) > 0; });
            }
            const RecordFigures figures = std::move(m_done[i]);
            m_done.erase(i);
            lock.unlock();
            take(i, figures);
        }
        for (auto &worker : workers)
            worker->wait();
        tick(m_finished, m_failed); // every worker has ended
    }

private:
    void work(int jobs)
    {
        for (;;) {
            const int i = m_next++;
            if (i >= m_records.size())
                return;
            RecordFigures figures = readRecordFigures(m_records.at(i), m_options.analysis, jobs).figures;
            const bool passes = recordPasses(figures, m_options.criteria);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done[i] = std::move(figures);
            ++m_finished;
            m_failed += passes ? 0 : 1;
            m_arrived.notify_one();
        }
    }

    const QStringList &m_records;
    const BatchOptions &m_options;
    std::atomic<int> m_next{0};
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::map<int, RecordFigures> m_done; // finished, waiting for an earlier record
    int m_finished = 0, m_failed = 0;
};

} // namespace

int batchCommand(const QStringList &args)
{
    BatchOptions b;
    if (!parse(args, b))
        return ExitUsage;
    QStringList records;
    QList<int> indices; // each record's place in the whole list, from 1
    for (int i = b.shard - 1; i < b.analysis.files.size(); i += b.shards) {
        records << b.analysis.files.at(i);
        indices << i + 1;
    }
    RowSink sink;
    if (!sink.open(b.out)) {
        reportError(sink.error());
        return ExitRecord;
    }
    // Shards after the first leave the header out, so that their tables concatenate.
    bool written = b.shard > 1 || sink.write(batchHeader(b.format));
    bool anyError = false, anyMiss = false;
    Progress progress(int(records.size()));
    BatchRun(records, b).run(
        [&](int i, const RecordFigures &figures) {
            written = written && sink.write(batchRows(b.format, indices.at(i), figures, b.criteria));
            if (!figures.error.isEmpty())
                anyError = true;
            else if (!recordPasses(figures, b.criteria))
                anyMiss = true;
        },
        [&](int done, int failed) { progress.show(done, failed); });
    progress.end();
    if (!written) {
        reportError(sink.error());
        return ExitRecord;
    }
    return anyError ? ExitRecord : anyMiss ? ExitCriterion : ExitOk;
}
