#include "sources/plugins/PluginLauncher.h"

#include "sources/settings/IniFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextCodec>

QString pluginIniPath(const QString &program)
{
    const QString native = QDir::toNativeSeparators(program);
    const int name = native.lastIndexOf(QDir::separator()) + 1;
    const int dot = native.lastIndexOf(QLatin1Char('.'));
    // A dot that starts the file name (".plugin") begins no suffix.
    QString ini = dot > name ? native.left(dot) + QStringLiteral(".ini") : native + QStringLiteral(".ini");
    if (ini == native)
        ini += QStringLiteral(".ini");
    return ini;
}

QString modifiedCopyPath(const QString &record)
{
    static const QString bin = QStringLiteral(".bin");
    if (!record.endsWith(bin) || QFileInfo(record).fileName() == bin)
        return QString();
    return record.left(record.size() - bin.size()) + QStringLiteral("_mdfy.bin");
}

bool writePluginIni(const QString &iniPath, const QStringList &files, QString &error)
{
    QStringList paths = files;
    paths << iniPath;
    for (const QString &path : paths) {
        if (path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r'))) {
            error = QStringLiteral("\nПуть ") + path + QStringLiteral(" содержит перевод строки!");
            return false;
        }
        // The plug-in's INI file is in CP1251: any other letter would reach it as "?", naming
        // a file that does not exist.
        if (!QTextCodec::codecForName("CP1251")->canEncode(path)) {
            error = QStringLiteral("\nПуть ") + path +
                    QStringLiteral(" содержит символы, которых нет в кодировке CP1251 файла "
                                   "настроек плагина: плагин не сможет его открыть. "
                                   "Переименуйте файл или папку.");
            return false;
        }
    }
    {
        // Keys of an earlier, longer record set would name files that are not part of it.
        auto ini = openIni(iniPath);
        ini->beginGroup(QStringLiteral("00"));
        for (const QString &key : ini->childKeys())
            if (key.startsWith(QLatin1String("DataFile")) && key != QLatin1String("DataFileNum"))
                ini->remove(key);
        ini->endGroup();
    }
    writeIniValue(iniPath, QStringLiteral("00"), QStringLiteral("DataFileNum"), files.size());
    for (int i = 0; i < files.size(); ++i)
        writeIniValue(iniPath, QStringLiteral("00"), QStringLiteral("DataFile%1").arg(i),
                      QDir::toNativeSeparators(files.at(i)));
    auto check = openIni(iniPath);
    check->sync();
    if (check->status() != QSettings::NoError ||
        check->value(QStringLiteral("00/DataFileNum")).toInt() != files.size()) {
        error = QStringLiteral("\nНе удалось записать файл ") + iniPath + QStringLiteral("!");
        return false;
    }
    return true;
}

PluginLauncher::PluginLauncher(QObject *parent) : QObject(parent) {}

PluginLauncher::~PluginLauncher()
{
    // Never leave a plug-in running behind the program; its end is no news to anybody now.
    m_running = false;
    kill();
}

bool PluginLauncher::start(const QString &name, const QString &program, const QStringList &records,
                           QString &message)
{
    QStringList copies;
    for (const QString &record : records) {
        const QString copy = modifiedCopyPath(record);
        if (copy.isEmpty()) {
            message = QStringLiteral("\nИмя файла ") + QDir::toNativeSeparators(record) +
                      QStringLiteral(" не оканчивается на \".bin\": плагину некуда записать копию!");
            return false;
        }
        if (records.contains(copy)) {
            message = QStringLiteral("\nКопия ") + QDir::toNativeSeparators(copy) +
                      QStringLiteral(" совпадает с загруженным файлом!");
            return false;
        }
        copies << copy;
    }
    kill();
    const QString absolute = QFileInfo(program).absoluteFilePath();
    if (!QFileInfo(absolute).isFile()) {
        message = QStringLiteral("\nФайл ") + QDir::toNativeSeparators(program) + QStringLiteral(" не найден!");
        return false;
    }
    if (!writePluginIni(pluginIniPath(absolute), records, message))
        return false;

    // A copy left by an earlier run does not count: only one written after this start.
    QList<QDateTime> before;
    for (const QString &copy : copies) {
        const QFileInfo info(copy);
        before << (info.exists() ? info.lastModified() : QDateTime());
    }
    m_process = std::make_unique<QProcess>();
    // The plug-in's messages go where ours go, so that however much it writes it never waits
    // for a reader; its input stays open until we end, so it can notice our end.
    m_process->setProcessChannelMode(QProcess::ForwardedChannels);
    m_process->setProgram(absolute);
    connect(m_process.get(), QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &PluginLauncher::onFinished);
    m_process->start(QIODevice::ReadWrite);
    if (!m_process->waitForStarted(m_timeouts.startMs)) {
        kill();
        message = QStringLiteral("\nНе удалось запустить ") + name + QStringLiteral("!");
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    for (int stale; (stale = firstStaleCopy(copies, before)) >= 0;) {
        // The wait doubles as the poll's pause, and a plug-in that ends early ends it.
        const bool ended = m_process->state() == QProcess::NotRunning ||
                           m_process->waitForFinished(m_timeouts.pollMs);
        // A plug-in may write its copies and end within one pause: look again before
        // calling any copy missing.
        stale = firstStaleCopy(copies, before);
        if (stale < 0)
            break;
        if (ended || waited.elapsed() >= m_timeouts.copyMs) {
            const QString missing = copies.at(stale);
            kill();
            message = QStringLiteral("\nОтсутствует файл ") + QDir::toNativeSeparators(missing) + QStringLiteral("!");
            return false;
        }
    }
    m_copies = copies;
    m_running = true;
    // One that has already ended is reported like any other end, once the caller has taken
    // the copies in.
    const int run = ++m_run;
    if (m_process->state() == QProcess::NotRunning)
        QMetaObject::invokeMethod(
            this, [this, run] { if (run == m_run) onFinished(); }, Qt::QueuedConnection);
    return true;
}

int PluginLauncher::firstStaleCopy(const QStringList &copies, const QList<QDateTime> &before)
{
    for (int i = 0; i < copies.size(); ++i) {
        const QFileInfo info(copies.at(i));
        if (!info.exists() || (before.at(i).isValid() && info.lastModified() == before.at(i)))
            return i;
    }
    return -1;
}

void PluginLauncher::stop()
{
    kill();
}

void PluginLauncher::kill()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(m_timeouts.killMs);
    }
    m_process->disconnect(this);
    m_process.reset();
    if (m_running) {
        m_running = false;
        m_copies.clear();
        emit signalFinished();
    }
}

void PluginLauncher::onFinished()
{
    if (!m_running)
        return;
    m_running = false;
    m_copies.clear();
    emit signalFinished();
}
