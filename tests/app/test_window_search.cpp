// The real window searching and running plug-ins: scrolling stops at the block with the spike
// and reports it, a running acquisition stops there too, a threshold equal to the spike scrolls
// to the end, orma-tool finds the same block; a plug-in's copy is shown while it runs and the
// record's own files, unchanged, once it is unchecked.
#include "app/PluginControl.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaSpectrPanel.h"
#include "plot/OrmaPlot.h"
#include "plot/QwtPlotCurveEx.h"
#include "sources/search/ChannelSearch.h"
#include "sources/record/FileSource.h"
#include "sources/plugins/PluginStore.h"
#include "sources/record/Postfix.h"
#include "tests/app/WindowTestKit.h"
#include "tests/dialogs/DialogTestKit.h"
#include "tests/sources/SourceTestKit.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QMenu>
#include <QMenuBar>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>

#include <signal.h>

#include <cmath>

namespace {


constexpr int kSpikeCode = 1024; // 2.5 V: 12 bits over 5 V

// Two channels of 12-bit codes (16-bit words) over 5 V; channel 1 has one spike of 2.5 V.
QString spikeRecord(const QString &path, uint64_t samples, uint64_t spike)
{
    FileParams p;
    p.channelCount = 2;
    p.channelNumbers = {0, 1};
    p.sampleCount = samples;
    p.sampleRate = 1e6;
    p.voltageRangeMv = 5000;
    p.bitRange = 12;
    p.bytesPerSample = 2;
    p.shiftFrequencies = {0, 0};
    std::vector<int> codes;
    for (uint64_t j = 0; j < samples; ++j) {
        const int sine = int(std::lround(300 * std::sin(2 * M_PI * 31250.0 * double(j) / 1e6 + 0.3)));
        codes.push_back(sine * 16);
        codes.push_back((j == spike ? kSpikeCode : sine) * 16);
    }
    writeBytes(path, samples16(codes) + formatPostfix(p, "test"));
    return path;
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

void saveCriteria(const QString &ini, double upLevel, bool currentChannel)
{
    FindSettings f;
    f.enabled[FindUpLevel] = true;
    f.threshold[FindUpLevel] = upLevel;
    f.currentChannel = currentChannel;
    f.autoOpen = false;
    f.save(ini);
}

QToolButton *rightButton(Orma &w) { return w.findChild<QToolButton *>("m_pRightButton"); }

// One block of the loaded record on screen, acquisition stopped.
bool showFirstBlock(Orma &w)
{
    w.slotStart();
    const bool shown = waitForBlocks(w, 1);
    w.slotStop();
    QTest::qWait(50);
    return shown;
}

} // namespace

class TestWindowSearch : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        prepareWindowTests();
        QSettings(kNativeOrganisation, kNativeApplication).remove("plugins");
    }
    void cleanup()
    {
        QFile::remove(appIni());
        QSettings(kNativeOrganisation, kNativeApplication).remove("plugins");
    }

    void scrollingStopsAtTheSpikeBlock()
    {
        const QString rec = spikeRecord(m_dir.filePath("spike.bin"), 32 * 1024, 5 * 1024 + 300);
        Orma w;
        w.show();
        w.loadFile(rec);
        saveCriteria(w.configPath(), 2.0, false);
        QVERIFY(showFirstBlock(w));
        QCOMPARE(w.oscPanel()->windowWidth(), 1024);
        QVERIFY(action(w, "m_pFindAction")->isEnabled());
        action(w, "m_pFindAction")->setChecked(true);

        kit::MessageHand hand;
        rightButton(w)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!rightButton(w)->isChecked(), 30000);
        QTRY_COMPARE(hand.seen().size(), 1);
        QCOMPARE(hand.seen().at(0).title, QString("Поиск остановлен"));
        QCOMPARE(hand.seen().at(0).text, QString("В канале 1 уровень выше порога."));
        // Block 5 is the one on screen, and it holds the spike.
        QCOMPARE(w.oscPanel()->viewStart(), 5120.0);
        QCOMPARE(w.block()->window.position, uint64_t(5120));
        const int k = w.block()->channels.indexOf(1);
        const uint64_t at = 5120 + 300 - w.block()->window.windowStart;
        QCOMPARE(w.block()->channelSamples(k)[at], double(kSpikeCode));
        QVERIFY(w.isStopped());
        QVERIFY(action(w, "m_pActionStart")->isEnabled());
        QVERIFY(action(w, "m_pFindAction")->isChecked());

        // orma-tool finds the same block.
        QProcess tool;
        tool.start(QCoreApplication::applicationDirPath() + "/orma-tool",
                   {"search", rec, "--config", w.configPath(), "--json"});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        const QJsonObject found = QJsonDocument::fromJson(tool.readAllStandardOutput()).object();
        QCOMPARE(found["position"].toDouble(), 5120.0);
    }

    void aRecordsOwnConfigurationBringsItsCriteria()
    {
        QTemporaryDir folder;
        const QString rec = spikeRecord(folder.filePath("own.bin"), 16 * 1024, 5 * 1024 + 300);
        saveCriteria(folder.filePath("ORMA6.ini"), 2.0, false);
        Orma w;
        w.show();
        // Switched on with the program's configuration: no criteria, and the dialog opens.
        bool opened = false;
        answerNextDialog([&](QWidget &) { opened = true; }, "m_pCancelButton");
        action(w, "m_pFindAction")->setChecked(true);
        QVERIFY(opened);
        w.loadFile(rec);
        QCOMPARE(w.configPath(), folder.filePath("ORMA6.ini"));
        QVERIFY(showFirstBlock(w));
        kit::MessageHand hand;
        rightButton(w)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!rightButton(w)->isChecked(), 30000);
        QTRY_COMPARE(hand.seen().size(), 1);
        QCOMPARE(w.block()->window.position, uint64_t(5120));
    }

    void findMenuTitleOpensTheCriteria()
    {
        Orma w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *menu = w.findChild<QMenu *>("m_pFindMenu");
        QVERIFY(menu->isEnabled());
        const QPoint title = w.menuBar()->actionGeometry(menu->menuAction()).center();
        bool opened = false;
        answerNextDialog([&](QWidget &d) { opened = d.windowTitle() == "Критерии поиска"; },
                         "m_pCancelButton");
        QTest::mousePress(w.menuBar(), Qt::LeftButton, {}, title);
        QWidget *popup = QApplication::activePopupWidget();
        QTest::mouseRelease(popup ? popup : w.menuBar(), Qt::LeftButton, {},
                            popup ? popup->mapFromGlobal(w.menuBar()->mapToGlobal(title)) : title);
        QTRY_VERIFY(opened);
    }

    void equalThresholdScrollsToTheEnd()
    {
        const QString rec = spikeRecord(m_dir.filePath("equal.bin"), 8 * 1024, 5 * 1024 + 300);
        Orma w;
        w.show();
        w.loadFile(rec);
        saveCriteria(w.configPath(), 2.5, false);
        QVERIFY(showFirstBlock(w));
        action(w, "m_pFindAction")->setChecked(true);
        kit::MessageHand hand;
        rightButton(w)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!rightButton(w)->isChecked(), 30000);
        QTest::qWait(100);
        QVERIFY(hand.seen().isEmpty());
        QCOMPARE(w.oscPanel()->viewStart(), double(8 * 1024 - 1024));
    }

    void runningAcquisitionStopsInCurrentChannelMode()
    {
        const QString rec = spikeRecord(m_dir.filePath("run.bin"), 16 * 1024, 5 * 1024 + 300);
        Orma w;
        w.show();
        w.loadFile(rec);
        saveCriteria(w.configPath(), 2.0, true);
        QVERIFY(showFirstBlock(w));
        w.slotCurrentChanChange(1);
        w.oscPanel()->slider()->setValue(5120);
        QTest::qWait(100);
        action(w, "m_pFindAction")->setChecked(true);
        kit::MessageHand hand;
        w.slotStart();
        QTRY_VERIFY_WITH_TIMEOUT(w.isStopped(), 20000);
        QTest::qWait(100);
        QVERIFY(hand.seen().isEmpty()); // the current channel alone: no report box
        // but the status bar says what stopped it.
        QCOMPARE(w.findChild<QLabel *>("m_pStateLabel")->text(),
                 QString("Поиск остановлен: В канале 1 уровень выше порога."));
        QCOMPARE(w.block()->window.position, uint64_t(5120));
        // Switched off, the same block no longer stops it.
        action(w, "m_pFindAction")->setChecked(false);
        w.slotStart();
        QVERIFY(waitForBlocks(w, 3));
        QVERIFY(!w.isStopped());
        w.slotStop();
        QTest::qWait(50);
    }

    // Opened while stopped, a record shows its own first block at once; scrolling through it
    // then stops at the spike with that block drawn in both panels, not the last record's.
    void aRecordOpenedWhileStoppedIsShownAndSearched()
    {
        // Described word for word alike: only the spike tells them apart.
        const QString before = spikeRecord(m_dir.filePath("before.bin"), 16 * 1024, 100);
        const QString rec = spikeRecord(m_dir.filePath("opened.bin"), 16 * 1024, 9 * 1024 + 300);
        Orma w;
        w.show();
        w.loadFile(before);
        QVERIFY(showFirstBlock(w));
        QCOMPARE(w.oscPanel()->plot()->channelMax(1), double(kSpikeCode));
        const void *last = w.block().get();
        w.loadFile(rec);
        QTRY_VERIFY(w.block() && w.block().get() != last);
        QVERIFY(w.isStopped());
        QVERIFY(w.oscPanel()->plot()->channelMax(1) < kSpikeCode);

        saveCriteria(w.configPath(), 2.0, false);
        action(w, "m_pFindAction")->setChecked(true);
        kit::MessageHand hand;
        rightButton(w)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!rightButton(w)->isChecked(), 30000);
        QTRY_COMPARE(hand.seen().size(), 1);
        QCOMPARE(w.oscPanel()->viewStart(), 9216.0);
        // Both panels draw the block on screen: the spike in the oscilloscope's view, the
        // spectrum of that very block.
        const int k = w.block()->channels.indexOf(1);
        QCOMPARE(w.oscPanel()->plot()->curve(1)->yData(), w.block()->channelSamples(k));
        QCOMPARE(w.spectrPanel()->plot()->curve(1)->yData(), w.block()->channelSpectrum(k));
        QCOMPARE(w.oscPanel()->plot()->channelMax(1), double(kSpikeCode));
    }

    void pluginCopyShownUntilUnchecked()
    {
        const QString rec = spikeRecord(m_dir.filePath("plug.bin"), 8 * 1024, 100);
        const QByteArray original = fileHash(rec);
        const QString dir = m_dir.filePath("Плагин 'с' \"кавычками\" $(touch canary)");
        QVERIFY(QDir().mkpath(dir));
        const QString plugin = dir + "/invert";
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + "/orma-plugin-invert", plugin));
        {
            QSettings store(kNativeOrganisation, kNativeApplication);
            storePlugin(store, {0, "Инверсия", plugin, false});
        }
        Orma w;
        w.show();
        w.loadFile(rec);
        QCOMPARE(w.plugins().actions().size(), 1);
        QAction *entry = w.plugins().actions().first();
        QCOMPARE(entry->text(), QString("Инверсия"));
        w.slotStart();
        QVERIFY(waitForBlocks(w, 1));

        entry->trigger();
        QVERIFY(entry->isChecked());
        QVERIFY(w.plugins().launcher().isRunning());
        const QString copy = m_dir.filePath("plug_mdfy.bin");
        QVERIFY(waitForDelivered(w, 3));
        const int k = w.block()->channels.indexOf(1);
        const uint64_t at = 100 - w.block()->window.windowStart;
        QCOMPARE(w.block()->channelSamples(k)[at], double(-kSpikeCode));
        QVERIFY(!QFile::exists(m_dir.filePath("canary")));
        const qint64 pid = w.plugins().launcher().process()->processId();

        entry->trigger(); // unchecked
        QVERIFY(!entry->isChecked());
        QVERIFY(!w.plugins().launcher().isRunning());
        QVERIFY(::kill(pid_t(pid), 0) != 0);
        QVERIFY(waitForDelivered(w, 3));
        QCOMPARE(w.block()->channelSamples(k)[at], double(kSpikeCode));
        QCOMPARE(fileHash(rec), original);
        QVERIFY(QFile::exists(copy));
        w.slotStop();
        QTest::qWait(50);
    }

    void loadingAnotherRecordRunsThePluginOnIt()
    {
        const QString rec = spikeRecord(m_dir.filePath("first.bin"), 8 * 1024, 100);
        const QString next = spikeRecord(m_dir.filePath("next.bin"), 8 * 1024, 200);
        const QString plugin = m_dir.filePath("invert2");
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + "/orma-plugin-invert", plugin));
        {
            QSettings store(kNativeOrganisation, kNativeApplication);
            storePlugin(store, {0, "Инверсия", plugin, false});
        }
        Orma w;
        w.show();
        w.loadFile(rec);
        w.slotStart();
        QVERIFY(waitForBlocks(w, 1));
        QAction *entry = w.plugins().actions().first();
        entry->trigger();
        QVERIFY(w.plugins().launcher().isRunning());
        const qint64 first = w.plugins().launcher().process()->processId();
        w.loadFile(next); // while acquisition runs, as from the menu
        QVERIFY(::kill(pid_t(first), 0) != 0);
        QTRY_VERIFY_WITH_TIMEOUT(w.plugins().launcher().isRunning(), 15000);
        QVERIFY(entry->isChecked());
        QVERIFY(QFile::exists(m_dir.filePath("next_mdfy.bin")));
        QVERIFY(waitForDelivered(w, 2));
        const int k = w.block()->channels.indexOf(1);
        QCOMPARE(w.block()->channelSamples(k)[200 - w.block()->window.windowStart], double(-kSpikeCode));
        // Loaded while stopped, the new record is shown without the plug-in.
        w.slotStop();
        QTest::qWait(50);
        w.loadFile(rec);
        QVERIFY(!w.plugins().launcher().isRunning());
        QVERIFY(!entry->isChecked());
        w.slotStop();
        QTest::qWait(50);
    }

    void pluginThatFailsIsReported()
    {
        const QString rec = spikeRecord(m_dir.filePath("fail.bin"), 8 * 1024, 100);
        {
            QSettings store(kNativeOrganisation, kNativeApplication);
            storePlugin(store, {3, "Нет такого", m_dir.filePath("missing-plugin"), false});
        }
        Orma w;
        w.show();
        w.loadFile(rec);
        w.slotStart();
        QVERIFY(waitForBlocks(w, 1));
        kit::MessageHand hand;
        QAction *entry = w.plugins().actions().first();
        entry->trigger();
        QTRY_COMPARE(hand.seen().size(), 1);
        QCOMPARE(hand.seen().at(0).title, QString("ORMA"));
        QCOMPARE(hand.seen().at(0).text, "\nФайл " + m_dir.filePath("missing-plugin") + " не найден!");
        QVERIFY(!entry->isChecked());
        w.slotStop();
        QTest::qWait(50);
    }
};

QTEST_MAIN(TestWindowSearch)
#include "test_window_search.moc"
