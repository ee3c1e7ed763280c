// The window on live sources, offscreen: "-sm" with a producer running shows its blocks, the
// network kind follows the stored settings to the reference server, and what a live source
// runs into shows in the status bar.
#include "WindowTestKit.h"

#include "app/Orma.h"
#include "sources/settings/IniFile.h"
#include "sources/live/RecordServer.h"
#include "sources/live/ShmProducer.h"

#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

RecordRecipe liveRecipe()
{
    RecordRecipe recipe = defaultRecordRecipe();
    recipe.params.channelCount = 2;
    recipe.params.channelNumbers = {0, 1};
    recipe.params.sampleCount = 8192;
    recipe.params.bitRange = 14;
    recipe.tones = {{15625, 6000, 0}};
    return recipe;
}

bool statusMentions(Orma &w, const QString &text)
{
    for (QLabel *label : w.statusBar()->findChildren<QLabel *>())
        if (label->text().contains(text))
            return true;
    return false;
}

} // namespace

class LiveWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        prepareWindowTests();
    }
    void cleanup() { QFile::remove(appIni()); }

    void sharedMemoryFromTheCommandLine()
    {
        const QString base = QStringLiteral("ormawin_%1").arg(QCoreApplication::applicationPid());
        ShmProducer producer(base, liveRecipe());
        QVERIFY(producer.start());
        std::atomic<bool> done{false};
        std::thread producing([&] {
            while (!done) {
                producer.publishBlock(50);
                QThread::msleep(20);
            }
        });
        {
            Orma w;
            w.show();
            w.applyCommandLine({"-sm", base});
            QCOMPARE(w.sourceKind(), 3);
            QVERIFY(w.windowTitle().endsWith("Сигнал из разделяемой памяти - " + base));
            QVERIFY(waitForBlocks(w, 3));
            QCOMPARE(w.block()->firstFile().channelCount, 2u);
            QCOMPARE(w.block()->firstFile().sampleCount, 8192ull);
            QVERIFY(!w.isStopped());
            w.slotStart();
        }
        done = true;
        producing.join();
        QVERIFY(producer.blocksPublished() >= 3);
    }

    void networkKindFollowsTheStoredSettings()
    {
        const QString path = m_dir.filePath("net.bin");
        RecordRecipe recipe = liveRecipe();
        recipe.params.sampleCount = 8 * 4096;
        QVERIFY(writeRecordFile(path, recipe, true));
        RecordServer::Options options;
        options.periodMs = 30;
        options.blockSamples = 4096;
        // The settings take ports up to 9999: find a free one there.
        std::unique_ptr<RecordServer> listening;
        for (int i = 0; i < 50 && !listening; ++i) {
            const qint64 pid = QCoreApplication::applicationPid();
            options.port = uint16_t(2000 + (pid * 7 + i * 131) % 7999);
            listening = std::make_unique<RecordServer>(QStringList{path}, options);
            if (!listening->start())
                listening.reset();
        }
        QVERIFY(listening);
        RecordServer &server = *listening;
        writeIniValue(appIni(), "Network", "Port", QString::number(server.port()));
        writeIniValue(appIni(), "Network", "FileName", "net.bin");
        Orma w;
        w.show();
        action(w, "m_pNetAction")->setChecked(true);
        QCOMPARE(w.sourceKind(), 4);
        QVERIFY(w.windowTitle().endsWith(
            QStringLiteral("Сигнал из сети - 127.0.0.1 : %1 : net.bin").arg(server.port())));
        w.slotStart();
        QVERIFY(waitForBlocks(w, 3));
        QCOMPARE(w.block()->firstFile().sampleCount, 4096ull);

        // The server goes away: the window says so and keeps running, waiting for it; once it
        // is back, the blocks flow again and the message goes.
        server.stop();
        QTRY_VERIFY_WITH_TIMEOUT(statusMentions(w, "нет соединения"), 10000);
        QVERIFY(!w.isStopped());
        QVERIFY(server.start());
        QVERIFY(waitForBlocks(w, 2));
        QTRY_VERIFY(!statusMentions(w, "Сеть"));
        w.slotStart();
    }
};

QTEST_MAIN(LiveWindowTest)
#include "test_live_window_thread.moc"
