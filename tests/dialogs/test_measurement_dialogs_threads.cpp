// The measurement dialogs under a stream of blocks: the background histogram keeps up by
// computing only the newest block, what it shows belongs to the last block handed in, and a
// dialog closed and destroyed while its task runs waits for it instead of racing it.
#include "dialogs/AdcDistribDlg.h"
#include "dialogs/DevParamsDlg.h"
#include "dialogs/IntermodDistDlg.h"

#include "BlockKit.h"

#include <QtTest>

namespace {

std::shared_ptr<BlockSnapshot> block(int n, uint64_t length)
{
    kit::BlockRecipe recipe;
    recipe.bits = 12;
    recipe.channels = 2;
    recipe.length = length;
    recipe.wholeRecord = true;
    // A triangle of codes -1000 ... 1000 plus n: the block's offset tells which block a result
    // came from.
    recipe.sample = [n](int, uint64_t i) { return double(i % 2001) - 1000 + n; };
    auto b = kit::makeBlock(recipe);
    std::vector<double> s(256, 0.0);
    s[40] = s[50] = 1.0;
    s[60] = s[30] = 1e-4 * (1 + n % 3);
    kit::setSpectra(*b, {s, s});
    return b;
}

} // namespace

class MeasurementDialogsThreadsTest : public QObject {
    Q_OBJECT
private slots:
    void twoHundredBlocks()
    {
        AdcDistribDlg distrib;
        DevParamsDlg table;
        IntermodDistDlg imd;
        AdcDistribSettings s;
        s.isAllData = true;
        distrib.setSettings(s);
        distrib.show();
        table.show();
        imd.show();
        for (int n = 0; n < 200; ++n) {
            const BlockSnapshotPtr b = block(n, 20010);
            const MeasurementContext context{b, {}, 1};
            distrib.followBlock(context);
            imd.followBlock(context);
            table.followBlock(context);
            if (n % 10 == 0)
                QCoreApplication::processEvents();
        }
        QTRY_VERIFY(!distrib.isComputing());
        QCOMPARE(distrib.result()->distribution.meanCode, 199.0);
    }

    // Destroyed with a long whole-record count running and another queued behind it.
    void destroyedWhileComputing()
    {
        for (int round = 0; round < 3; ++round) {
            auto *distrib = new AdcDistribDlg;
            AdcDistribSettings s;
            s.isAllData = true;
            distrib->setSettings(s);
            distrib->show();
            distrib->followBlock({block(round, 1000000)});
            distrib->followBlock({block(round + 1, 1000000)});
            QVERIFY(distrib->isComputing());
            distrib->close();
            delete distrib;
        }
    }
};

QTEST_MAIN(MeasurementDialogsThreadsTest)
#include "test_measurement_dialogs_threads.moc"
