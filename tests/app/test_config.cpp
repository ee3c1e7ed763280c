// Configuration files as the user and other tools see them: bytes on disk, comments, limits.
#include "sources/settings/IniFile.h"
#include "app/MainConfig.h"
#include "app/Pacing.h"
#include "app/Session.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestConfig : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    static QByteArray bytes(const QString &file)
    {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setApplicationName("ORMA6");
    }

    void cyrillicIsStoredAsCp1251()
    {
        const QString file = path("cp.ini");
        writeIniValue(file, "SpectrPanel", "Harmonic", QString("Гармоника"));
        // "Гармоника" in CP1251
        QVERIFY(bytes(file).contains(QByteArray("\xC3\xE0\xF0\xEC\xEE\xED\xE8\xEA\xE0")));
        QCOMPARE(openIni(file)->value("SpectrPanel/Harmonic").toString(), QString("Гармоника"));
    }

    void commentSurvivesWithItsBlanks()
    {
        QCOMPARE(valueKeepingComment("7  // note", "8"), QString("8  // note"));
        QCOMPARE(valueKeepingComment("7// note", "8"), QString("8// note"));
        QCOMPARE(valueKeepingComment("// all", "8"), QString("8// all"));
        QCOMPARE(valueKeepingComment("7", "8"), QString("8"));
        QCOMPARE(valueKeepingComment("", "8"), QString("8"));

        const QString file = path("comment.ini");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[OscPanel]\nXWidth=7  // note, by hand\n");
        f.close();
        writeIniValueKeepingComment(file, "OscPanel", "XWidth", "3");
        QCOMPARE(openIni(file)->value("OscPanel/XWidth").toStringList().join(", "),
                 QString("3  // note, by hand"));
    }

    void recentFilesAreANewestFirstSetOfTen()
    {
        QStringList list;
        for (int i = 0; i < 10; ++i)
            addRecentFile(list, QString("/r/%1.bin").arg(i));
        QCOMPARE(list.size(), 10);
        QCOMPARE(list.first(), QString("/r/9.bin"));
        addRecentFile(list, "/r/10.bin");
        QCOMPARE(list.size(), 10);
        QVERIFY(!list.contains("/r/0.bin"));
        addRecentFile(list, "/r/5.bin");
        QCOMPARE(list.size(), 10);
        QCOMPARE(list.first(), QString("/r/5.bin"));
        QCOMPARE(list.count("/r/5.bin"), 1);
    }

    void readerStopsAtLimits()
    {
        const QString app = path("app.ini"), use = path("use.ini");
        {
            auto ini = openIni(app);
            for (int i = 0; i < 12; ++i)
                ini->setValue(QString("RecentFiles/RecentFile%1").arg(i), QString("/f%1").arg(i));
        }
        {
            auto ini = openIni(use);
            ini->setValue("AddRemove/AddRemove1", "/a1");
            ini->setValue("AddRemove/AddRemove2", "/a2");
            ini->setValue("AddRemove/AddRemove4", "/a4"); // after the gap: never read
            ini->setValue("PanelsView", 9);
            ini->setValue("ScrollPercent", "lots");
            ini->setValue("OscPanel/XWidth", -1);
            ini->setValue("Mode", 77);
        }
        MainConfig c;
        readMainConfig(app, use, c);
        QCOMPARE(c.recentFiles.size(), 10);
        QCOMPARE(c.additionalFiles, (QStringList{"/a1", "/a2"}));
        QCOMPARE(c.panelsView, 2);
        QCOMPARE(c.scrollPercent, 100);
        QCOMPARE(c.xWidth, 7);
        QCOMPARE(c.mode, 4);
        QCOMPARE(c.harmonic, QString("Гармоника"));
    }

    void saveRoundTripAndListTerminator()
    {
        const QString app = path("app2.ini"), use = path("use2.ini");
        MainConfig c;
        c.recentFiles = QStringList{"/x.bin", "/y.bin"};
        c.additionalFiles = QStringList{"/b.bin"};
        c.mode = 1;
        c.panelsView = 0;
        c.xWidth = -1;
        c.windowWidth = 1234;
        c.dimension = "дБм";
        saveMainConfig(app, use, c);
        QCOMPARE(openIni(use)->value("OscPanel/XWidth").toString(), QString("7"));
        QCOMPARE(openIni(use)->value("AddRemove/AddRemove2", "unset").toString(), QString());

        c.isMaximized = true;
        c.windowWidth = 99;
        c.windowState = 2;
        saveMainConfig(app, use, c);
        MainConfig back;
        readMainConfig(app, use, back);
        QCOMPARE(back.recentFiles, c.recentFiles);
        QCOMPARE(back.additionalFiles, c.additionalFiles);
        QCOMPARE(openIni(app)->value("Mode").toInt(), 1); // the kind goes to the program's file
        QCOMPARE(back.panelsView, 0);
        QCOMPARE(back.windowWidth, 1234); // a maximised window keeps the normal geometry
        QCOMPARE(back.windowState, std::optional<int>(2));
        QCOMPARE(back.dimension, QString("дБм"));
    }

    void unwritableProgramDirectoryFallsBackToUserConfig()
    {
        QCOMPARE(applicationConfigPath(m_dir.path()), path("ORMA.ini"));
        QVERIFY(!QFile::exists(path("ORMA.ini"))); // probing leaves nothing behind
        const QString fallback = applicationConfigPath("/proc");
        QVERIFY(!fallback.startsWith("/proc"));
        QVERIFY(fallback.endsWith("/ORMA.ini"));
        // Installed under /usr, the settings go per user even where root could write.
        QCOMPARE(applicationConfigPath("/usr/bin"), fallback);
        writeIniValue(fallback, "", "Mode", 2);
        QCOMPARE(openIni(fallback)->value("Mode").toInt(), 2);
    }

    // A record folder with its own "ORMA6.ini" uses it; saving a configuration for a record
    // copies the one in use beside it once and never overwrites what is there.
    void sessionFollowsTheRecordsConfiguration()
    {
        QTemporaryDir app, bare, owned;
        Session session(app.filePath("ORMA.ini"));
        writeIniValue(session.appConfigPath, "SpectrPanel", "FftSize", 4096);
        session.useConfigOfFolder(bare.path());
        QCOMPARE(session.configPath, session.appConfigPath);
        session.loadStores();
        QCOMPARE(session.analyser.fftSize, 4096u);

        writeIniValue(owned.filePath("ORMA6.ini"), "SpectrPanel", "FftSize", 512);
        session.useConfigOfFolder(owned.path());
        QCOMPARE(session.configPath, owned.filePath("ORMA6.ini"));
        session.loadStores();
        QCOMPARE(session.analyser.fftSize, 512u);

        session.useApplicationConfig();
        session.keepConfigBeside(bare.filePath("rec.bin"));
        QCOMPARE(session.configPath, bare.filePath("ORMA6.ini"));
        QCOMPARE(openIni(session.configPath)->value("SpectrPanel/FftSize").toInt(), 4096);
        session.useApplicationConfig();
        writeIniValue(session.appConfigPath, "SpectrPanel", "FftSize", 2048);
        QVERIFY(session.keepConfigBeside(bare.filePath("rec.bin")));
        QCOMPARE(openIni(session.configPath)->value("SpectrPanel/FftSize").toInt(), 4096);
        // Where no file can be made, the configuration in use stays.
        const QString before = session.configPath;
        QVERIFY(!session.keepConfigBeside(bare.filePath("gone/rec.bin")));
        QCOMPARE(session.configPath, before);

        // Recent files go to the program's configuration whatever is in use.
        session.addRecentFile(owned.filePath("a.bin"));
        session.writeKey("", "Mode", 1);
        QCOMPARE(openIni(session.appConfigPath)->value("RecentFiles/RecentFile0").toString(),
                 owned.filePath("a.bin"));
        QVERIFY(!openIni(session.appConfigPath)->contains("Mode"));
        QCOMPARE(openIni(session.configPath)->value("Mode").toInt(), 1);
    }

    void pacing()
    {
        for (int e : {0, 10, 30, 100})
            QCOMPARE(nextBlockDelay(30, e), 50);
        QCOMPARE(nextBlockDelay(1000, 1200), 500);
        QCOMPARE(nextBlockDelay(1000, 980), 50);
        QCOMPARE(nextBlockDelay(1000, 100), 900);
    }
};

QTEST_MAIN(TestConfig)
#include "test_config.moc"
