#pragma once
// Runs one plug-in on the loaded record: writes the INI file named after the program with the
// record's files, starts the program by its absolute path (no shell), waits for its modified
// copies ("_mdfy.bin") and reports when the process ends. At most one plug-in runs; starting
// another kills the first. The user's record files are only ever read.
#include <QDateTime>
#include <QObject>
#include <QProcess>
#include <QStringList>

#include <memory>

struct PluginTimeouts {
    int startMs = 500;    // for the process to start
    int copyMs = 10000;   // for the modified copies to appear
    int killMs = 30000;   // for a killed process to end
    int pollMs = 10;      // between looks for the copies
};

// The INI file of a program: its last suffix (".exe", ".sh") replaced by ".ini", else ".ini"
// appended; never the program itself.
QString pluginIniPath(const QString &program);
// The modified copy of a record: the final ".bin" of the file name becomes "_mdfy.bin"; empty
// when the name does not end in ".bin".
QString modifiedCopyPath(const QString &record);
// Section "00": "DataFileNum" and "DataFile0"... with native separators; other sections and
// keys stay. False with `error` set for a path holding a line break or an unwritable file.
bool writePluginIni(const QString &iniPath, const QStringList &files, QString &error);

class PluginLauncher : public QObject {
    Q_OBJECT
public:
    explicit PluginLauncher(QObject *parent = nullptr);
    ~PluginLauncher() override;

    void setTimeouts(const PluginTimeouts &timeouts) { m_timeouts = timeouts; }

    // Starts `program` on the record set (main file first). On success the copies exist and
    // are newer than the start; else `message` is the text for the user's box and nothing
    // runs. A running plug-in is killed first (signalFinished() then reports its end).
    bool start(const QString &name, const QString &program, const QStringList &records,
               QString &message);
    // Kills the running plug-in and waits for its end.
    void stop();
    bool isRunning() const { return m_running; }
    // The copies shown while the plug-in runs, in the order of the record files.
    const QStringList &modifiedFiles() const { return m_copies; }
    QProcess *process() const { return m_process.get(); }

signals:
    // A started plug-in's process ended, for whatever reason (also a kill).
    void signalFinished();

private:
    void kill();
    void onFinished();
    // The first copy that is missing or untouched since `before` (its time then), -1 for none.
    static int firstStaleCopy(const QStringList &copies, const QList<QDateTime> &before);

    PluginTimeouts m_timeouts;
    std::unique_ptr<QProcess> m_process;
    QStringList m_copies;
    bool m_running = false;
    int m_run = 0; // counts the successful starts, so that a late report finds its own run
};
