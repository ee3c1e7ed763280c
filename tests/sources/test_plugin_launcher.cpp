// Plug-ins without a window: the INI and copy names, the INI writer, the store's ids, and shell
// script plug-ins under a hostile path started by the launcher (no shell expansion, fresh copies
// only, kills, time-outs, a chatty plug-in), and the shipped plug-in round-tripping a record.
#include "sources/settings/IniFile.h"
#include "sources/plugins/PluginLauncher.h"
#include "sources/plugins/PluginStore.h"
#include "sources/record/Postfix.h"
#include "sources/SampleCodes.h"
#include "tests/ScratchIni.h"
#include "tests/sources/SourceTestKit.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

bool alive(qint64 pid) { return pid > 0 && ::kill(pid_t(pid), 0) == 0; }

// Makes a shell script with `body` after a prologue that knows its INI and first record.
QString writeScript(const QString &path, const QByteArray &body)
{
    const QByteArray script = "#!/bin/sh\n"
                              "ini=\"${0%.*}.ini\"\n"
                              "rec=$(sed -n 's/^DataFile0=//p' \"$ini\")\n"
                              "copy=\"${rec%.bin}_mdfy.bin\"\n" + body;
    writeBytes(path, script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// 16-bit codes of one channel with its postfix (a record holds at least 8 samples).
QByteArray smallRecord(const std::vector<int> &codes)
{
    FileParams p;
    p.channelCount = 1;
    p.channelNumbers = {0};
    p.sampleCount = codes.size();
    p.sampleRate = 1e6;
    p.voltageRangeMv = 2000;
    p.bitRange = 16;
    p.bytesPerSample = 2;
    p.shiftFrequencies = {0};
    return samples16(codes) + formatPostfix(p, "test");
}

// Sends our standard output to /dev/null while it lives, for a plug-in that shares it.
class QuietStdout {
public:
    QuietStdout() : m_saved(::dup(1))
    {
        std::fflush(stdout);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        ::dup2(m_saved, 1);
        ::close(m_saved);
    }

private:
    int m_saved;
};

} // namespace

class PluginLauncherTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_pluginDir; // Cyrillic letters, blanks, quotes and a command substitution
    QString m_record;

    PluginTimeouts quick() const
    {
        PluginTimeouts t;
        t.copyMs = 2000;
        return t;
    }

private slots:
    void initTestCase()
    {
        m_pluginDir = m_dir.filePath("Плагины с 'кавычками' \"и\" $(touch canary) `touch canary2`");
        QVERIFY(QDir().mkpath(m_pluginDir));
        m_record = m_dir.filePath("rec.bin");
        QVERIFY(writeBytes(m_record, smallRecord({1, -2, 3, -4, 5, 32767, -32768, 0})));
        // A command substitution that ran would leave its file in the working directory.
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void init()
    {
        QFile::remove(modifiedCopyPath(m_record));
    }

    void names()
    {
        QCOMPARE(pluginIniPath("/opt/p/plug.exe"), QString("/opt/p/plug.ini"));
        QCOMPARE(pluginIniPath("/opt/p/plug.sh"), QString("/opt/p/plug.ini"));
        QCOMPARE(pluginIniPath("/opt/p.d/plug"), QString("/opt/p.d/plug.ini"));
        QCOMPARE(pluginIniPath("/opt/p/.plug"), QString("/opt/p/.plug.ini"));
        QCOMPARE(pluginIniPath("/opt/p/plug.ini"), QString("/opt/p/plug.ini.ini"));
        QCOMPARE(modifiedCopyPath("/data.bin/rec.bin"), QString("/data.bin/rec_mdfy.bin"));
        QCOMPARE(modifiedCopyPath("/data.bin/rec.dat"), QString());
        QCOMPARE(modifiedCopyPath("/d/rec.bin.bak"), QString());
        QCOMPARE(modifiedCopyPath("/d/.bin"), QString());
    }

    void iniWriterKeepsOtherSections()
    {
        ScratchIni ini;
        ini.write("[mine]\nkey=kept\n[00]\nDataFileNum=3\nDataFile0=a\nDataFile1=b\nDataFile2=c\nOwn=1\n");
        QString error;
        QVERIFY(writePluginIni(ini.path(), {"/r/one.bin", "/r/two.bin"}, error));
        QCOMPARE(ini.get("mine/key").toString(), QString("kept"));
        QCOMPARE(ini.get("00/Own").toString(), QString("1"));
        QCOMPARE(ini.get("00/DataFileNum").toInt(), 2);
        QCOMPARE(ini.get("00/DataFile0").toString(), QString("/r/one.bin"));
        QCOMPARE(ini.get("00/DataFile1").toString(), QString("/r/two.bin"));
        QVERIFY(!ini.get("00/DataFile2").isValid());

        const QByteArray before = ini.bytes();
        QVERIFY(!writePluginIni(ini.path(), {"/r/one.bin\n[evil]\nx=1"}, error));
        QVERIFY(error.contains("перевод строки"));
        QCOMPARE(ini.bytes(), before);
        // CP1251 has no Greek letters: the plug-in would be told of a file named "?.bin".
        QVERIFY(!writePluginIni(ini.path(), {"/r/λ.bin"}, error));
        QVERIFY2(error.contains("/r/λ.bin") && error.contains("CP1251"), qPrintable(error));
        QCOMPARE(ini.bytes(), before);
    }

    void storeIdsAndOrder()
    {
        ScratchIni ini;
        auto store = openIni(ini.path());
        QCOMPARE(nextPluginId(loadPlugins(*store)), 0);
        for (int id = 0; id <= 10; ++id)
            storePlugin(*store, {id, QString("P%1").arg(id), QString("/p/%1").arg(id), false});
        store->setValue("plugins/junk/Name", "not a number");
        const QList<PluginRecord> plugins = loadPlugins(*store);
        QCOMPARE(plugins.size(), 11);
        QCOMPARE(plugins.at(2).id, 2);   // not 10, as text order would give
        QCOMPARE(plugins.at(10).id, 10);
        QCOMPARE(plugins.at(10).name, QString("P10"));
        QCOMPARE(nextPluginId(plugins), 11);
        removeStoredPlugin(*store, 4);
        QCOMPARE(loadPlugins(*store).size(), 10);
        QCOMPARE(nextPluginId(loadPlugins(*store)), 11);
    }

    void scriptUnderHostilePathRunsWithoutShell()
    {
        const QString plugin = writeScript(m_pluginDir + "/плагин $(touch canary3).sh",
                                           "cp \"$ini\" \"${0%/*}/seen.ini\"\n"
                                           "sed -n 's/^DataFile[0-9]*=//p' \"$ini\" | while read -r f; do\n"
                                           "  cp \"$f\" \"${f%.bin}_mdfy.bin\"\n"
                                           "done\n"
                                           "exec sleep 60\n");
        const QString second = m_dir.filePath("second.bin");
        QVERIFY(writeBytes(second, smallRecord({7, 8, 9, 10, 11, 12, 13, 14})));
        PluginLauncher launcher;
        launcher.setTimeouts(quick());
        QString message;
        QVERIFY2(launcher.start("Тест", plugin, {m_record, second}, message), qPrintable(message));
        QVERIFY(launcher.isRunning());
        QCOMPARE(launcher.modifiedFiles(), QStringList({modifiedCopyPath(m_record), modifiedCopyPath(second)}));

        QSettings seen(m_pluginDir + "/seen.ini", QSettings::IniFormat);
        QCOMPARE(seen.childGroups(), QStringList({"00"}));
        seen.beginGroup("00");
        QCOMPARE(seen.childKeys(), QStringList({"DataFile0", "DataFile1", "DataFileNum"}));
        QCOMPARE(seen.value("DataFileNum").toInt(), 2);
        QCOMPARE(seen.value("DataFile0").toString(), m_record);
        QCOMPARE(seen.value("DataFile1").toString(), second);
        for (const char *canary : {"canary", "canary2", "canary3"})
            QVERIFY2(!QFile::exists(m_dir.filePath(canary)), canary);
        QVERIFY(!QFile::exists(m_pluginDir + "/canary"));
        QVERIFY(!QFile::exists(plugin.left(plugin.size() - 3) + ".sh.ini"));
    }

    void copyShownThenKillRestores()
    {
        const QString plugin = writeScript(m_pluginDir + "/copy.sh",
                                           "cp \"$rec\" \"$copy.part\"\n"
                                           "printf '\\011\\000' | dd of=\"$copy.part\" bs=1 seek=0 conv=notrunc 2>/dev/null\n"
                                           "mv \"$copy.part\" \"$copy\"\n"
                                           "exec sleep 60\n");
        const QByteArray original = fileHash(m_record);
        PluginLauncher launcher;
        launcher.setTimeouts(quick());
        QSignalSpy finished(&launcher, &PluginLauncher::signalFinished);
        QString message;
        QVERIFY2(launcher.start("Копия", plugin, {m_record}, message), qPrintable(message));
        const QString copy = modifiedCopyPath(m_record);
        QCOMPARE(launcher.modifiedFiles(), QStringList({copy}));
        QFile f(copy);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(4), QByteArray("\x09\x00\xfe\xff", 4)); // 9, then the record's -2
        const qint64 pid = launcher.process()->processId();
        QVERIFY(alive(pid));

        launcher.stop();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!launcher.isRunning());
        QVERIFY(!alive(pid));
        QCOMPARE(fileHash(m_record), original);
    }

    void secondStartKillsTheFirst()
    {
        const QString plugin = writeScript(m_pluginDir + "/again.sh",
                                           "cp \"$rec\" \"$copy\"\nexec sleep 60\n");
        PluginLauncher launcher;
        launcher.setTimeouts(quick());
        QSignalSpy finished(&launcher, &PluginLauncher::signalFinished);
        QString message;
        QVERIFY(launcher.start("A", plugin, {m_record}, message));
        const qint64 first = launcher.process()->processId();
        QVERIFY(launcher.start("B", plugin, {m_record}, message));
        QCOMPARE(finished.count(), 1);
        QVERIFY(!alive(first));
        QVERIFY(launcher.isRunning());
        QVERIFY(launcher.process()->processId() != first);
        // A plug-in that ends by itself is reported too.
        ::kill(pid_t(launcher.process()->processId()), SIGTERM);
        QTRY_COMPARE(finished.count(), 2);
        QVERIFY(!launcher.isRunning());
    }

    void pluginThatWritesAndEndsWithinOnePoll()
    {
        const QString plugin =
            writeScript(m_pluginDir + "/quick.sh", "sleep 0.3\ncp \"$rec\" \"$copy\"\n");
        PluginLauncher launcher;
        PluginTimeouts t = quick();
        t.pollMs = 1500; // the copy and the end both fall inside the first pause
        launcher.setTimeouts(t);
        QSignalSpy finished(&launcher, &PluginLauncher::signalFinished);
        QString message;
        QVERIFY2(launcher.start("Быстрый", plugin, {m_record}, message), qPrintable(message));
        QCOMPARE(launcher.modifiedFiles(), QStringList({modifiedCopyPath(m_record)}));
        // Its end is reported like any other, once the caller has taken the copies in.
        QCOMPARE(finished.count(), 0);
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!launcher.isRunning());
    }

    void copiesThatDoNotCount_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("staleCopy");
        QTest::addColumn<int>("atMostMs");
        QTest::newRow("silent") << QByteArray("exec sleep 60\n") << false << 1500;
        QTest::newRow("stale copy") << QByteArray("exec sleep 60\n") << true << 1500;
        // Ends without writing: known at once, not after the time-out.
        QTest::newRow("quits") << QByteArray("exit 3\n") << false << 250;
    }
    void copiesThatDoNotCount()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, staleCopy);
        QFETCH(int, atMostMs);
        const QString copy = modifiedCopyPath(m_record);
        if (staleCopy)
            QVERIFY(writeBytes(copy, "an old copy"));
        const QString plugin = writeScript(m_pluginDir + "/silent.sh", body);
        PluginLauncher launcher;
        PluginTimeouts t;
        t.copyMs = 300;
        launcher.setTimeouts(t);
        QSignalSpy finished(&launcher, &PluginLauncher::signalFinished);
        QString message;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!launcher.start("Молчун", plugin, {m_record}, message));
        QVERIFY(clock.elapsed() < atMostMs);
        QCOMPARE(message, "\nОтсутствует файл " + copy + "!");
        QVERIFY(!launcher.isRunning());
        QVERIFY(!launcher.process());
        QCOMPARE(finished.count(), 0); // it never ran as far as showing anything
    }

    void chattyPluginDoesNotStall()
    {
        const QString plugin = writeScript(m_pluginDir + "/chatty.sh",
                                           "head -c 1048576 /dev/zero | tr '\\000' x\n"
                                           "head -c 1048576 /dev/zero | tr '\\000' y >&2\n"
                                           "cp \"$rec\" \"$copy\"\nexec sleep 60\n");
        PluginLauncher launcher;
        launcher.setTimeouts(quick());
        QString message;
        bool started = false;
        {
            QuietStdout quiet;
            const int savedErr = ::dup(2);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            started = launcher.start("Болтун", plugin, {m_record}, message);
            ::dup2(savedErr, 2);
            ::close(savedErr);
            ::close(null);
        }
        QVERIFY2(started, qPrintable(message));
    }

    void refusedStarts()
    {
        PluginLauncher launcher;
        launcher.setTimeouts(quick());
        QString message;
        const QString plugin = writeScript(m_pluginDir + "/ok.sh", "exec sleep 60\n");
        // No ".bin" at the end of the record's name: nowhere to put a copy.
        const QString dat = m_dir.filePath("rec.dat");
        QVERIFY(writeBytes(dat, smallRecord({1, 2, 3, 4, 5, 6, 7, 8})));
        QVERIFY(!launcher.start("X", plugin, {dat}, message));
        QCOMPARE(message, "\nИмя файла " + dat + " не оканчивается на \".bin\": плагину некуда записать копию!");
        // The copy of one file would overwrite another loaded file.
        const QString other = modifiedCopyPath(m_record);
        QVERIFY(!launcher.start("X", plugin, {m_record, other}, message));
        QCOMPARE(message, "\nКопия " + other + " совпадает с загруженным файлом!");
        // A name the plug-in's INI file cannot carry is refused, saying why.
        const QString greek = m_dir.filePath("λ.bin");
        QVERIFY(writeBytes(greek, smallRecord({1, 2, 3, 4, 5, 6, 7, 8})));
        QVERIFY(!launcher.start("X", plugin, {greek}, message));
        QVERIFY2(message.contains("CP1251"), qPrintable(message));
        QVERIFY(!QFile::exists(pluginIniPath(plugin)));

        QVERIFY(!launcher.start("X", m_pluginDir + "/нет.sh", {m_record}, message));
        QCOMPARE(message, "\nФайл " + m_pluginDir + "/нет.sh не найден!");
        const QString plain = m_pluginDir + "/plain.sh";
        QVERIFY(writeBytes(plain, "#!/bin/sh\n"));
        QVERIFY(!launcher.start("Обычный файл", plain, {m_record}, message));
        QCOMPARE(message, QString("\nНе удалось запустить Обычный файл!"));
    }

    void shippedPluginNegatesTheRecord()
    {
        const QString plugin = m_dir.filePath("orma-plugin-invert");
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + "/orma-plugin-invert", plugin));
        const QByteArray original = fileHash(m_record);
        PluginLauncher launcher;
        QString message;
        QVERIFY2(launcher.start("Инверсия", plugin, {m_record}, message), qPrintable(message));
        QFile in(m_record), out(modifiedCopyPath(m_record));
        QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::ReadOnly));
        const QByteArray a = in.readAll(), b = out.readAll();
        QCOMPARE(b.size(), a.size());
        const int expected[] = {-1, 2, -3, 4, -5, -32767, 32767, 0};
        for (int i = 0; i < 8; ++i) {
            const uint32_t raw = uint8_t(b[2 * i]) | uint32_t(uint8_t(b[2 * i + 1])) << 8;
            QCOMPARE(decodeSample(raw, 2, 0, 16), expected[i]);
        }
        QCOMPARE(b.mid(16), a.mid(16)); // the postfix as it was
        QVERIFY(launcher.isRunning());
        launcher.stop();
        QCOMPARE(fileHash(m_record), original);
    }
};

QTEST_GUILESS_MAIN(PluginLauncherTest)
#include "test_plugin_launcher.moc"
