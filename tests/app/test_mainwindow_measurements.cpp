// The measurement dialogs in the real window: opened from the "Измерения" menu they follow the
// generator's blocks, the device table's button runs and follows acquisition, the distribution
// takes a record whole when asked to, and dialogs closed while their tasks run leave nothing
// behind.
#include "app/Orma.h"
#include "dialogs/AdcDistribDlg.h"
#include "dialogs/DevParamsDlg.h"
#include "dialogs/IntermodDistDlg.h"
#include "dialogs/SineFitDlg.h"
#include "app/MainConfig.h"

#include "WindowTestKit.h"

#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>

class MeasurementWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        prepareWindowTests();
    }
    void cleanup() { QFile::remove(appIni()); }

    // The entries follow the measurements' table: the I/Q views after the filter in
    // "Преобразование", the others in "Измерения", with their texts.
    void menuEntries()
    {
        Orma w;
        const auto names = [](const QMenu *menu) {
            QStringList list;
            for (const QAction *a : menu->actions())
                list << (a->isSeparator() ? QString("-") : a->objectName());
            return list;
        };
        QCOMPARE(names(w.findChild<QMenu *>("m_pTransformMenu")).mid(0, 4),
                 (QStringList{"m_pFiltrationAction", "m_pVectorDiagramAction", "m_pAmplPhaseAction", "-"}));
        const QList<QAction *> menus = w.menuBar()->actions();
        const auto measurements = std::find_if(menus.begin(), menus.end(), [](const QAction *a) {
            return a->text() == QString::fromUtf8("Из&мерения");
        });
        QVERIFY(measurements != menus.end());
        QCOMPARE(names((*measurements)->menu()), (QStringList{"m_pDevParamsAction", "m_pPhaseMisAction",
                                                             "m_pAdcDistribAction", "m_pIntermodDistAction",
                                                             "m_pSineFitAction"}));
        QCOMPARE(action(w, "m_pAmplPhaseAction")->text(), QString::fromUtf8("Амплитуда, Частота, Фаза..."));
        QCOMPARE(action(w, "m_pAdcDistribAction")->text(), QString::fromUtf8("Распределение отсчетов АЦП..."));
    }

    // 200 generator blocks into the four open dialogs, then each closed while the cycle runs.
    void followGenerator()
    {
        Orma w;
        w.show();
        for (const char *name :
             {"m_pAdcDistribAction", "m_pDevParamsAction", "m_pIntermodDistAction", "m_pSineFitAction"}) {
            QVERIFY(action(w, name)->isEnabled());
            action(w, name)->trigger();
        }
        auto *distrib = w.findChild<AdcDistribDlg *>();
        auto *table = w.findChild<DevParamsDlg *>();
        auto *imd = w.findChild<IntermodDistDlg *>();
        QVERIFY(distrib->isVisible() && table->isVisible() && imd->isVisible());
        auto *start = table->findChild<QPushButton *>("m_pStartButton");
        QCOMPARE(start->text(), QString::fromUtf8("Старт"));

        start->click();
        QVERIFY(!w.isStopped());
        QCOMPARE(start->text(), QString::fromUtf8("Стоп"));
        QVERIFY(waitForDelivered(w, 200, 120000));
        QTRY_VERIFY(distrib->result());
        QVERIFY2(distrib->result()->error.isEmpty(), qPrintable(distrib->result()->error));
        QVERIFY(distrib->result()->histogram.counted > 0);
        QCOMPARE(distrib->result()->histogram.bitRange, int(w.block()->firstFile().bitRange));
        auto *rows = table->findChild<QTableWidget *>("m_pParamsTable");
        QCOMPARE(rows->rowCount(), 1 + int(w.block()->firstFile().channelCount));
        // The generator's one tone has no second: IMD3 is withheld, with the reason as its tip.
        const auto *imd3 = imd->findChild<QLineEdit *>("m_pImd3Edit");
        QVERIFY(imd3->text().isEmpty() && !imd3->toolTip().isEmpty());
        // The window's status line repeats it while the dialog is open.
        auto *withheld = w.findChild<QLabel *>("m_pWithheldLabel");
        QVERIFY(withheld->isVisible() && withheld->text().contains(imd->windowTitle()));
        // The generator's tone is fitted, with nothing withheld.
        auto *fit = w.findChild<SineFitDlg *>();
        QTRY_VERIFY(!fit->findChild<QLineEdit *>("m_pSinadEdit")->text().isEmpty());
        QCOMPARE(fit->findChild<QLabel *>("m_pReasonLabel")->text(), QString());

        distrib->close();
        imd->close();
        fit->close();
        QVERIFY(waitForDelivered(w, 3));
        QTRY_VERIFY(!withheld->isVisible());
        // The window's own stop: the table's button follows it.
        w.slotStart();
        QVERIFY(w.isStopped());
        QCOMPARE(start->text(), QString::fromUtf8("Старт"));
        table->close();
    }

    // Opened while acquisition is stopped, the dialogs show the block already on screen.
    void openedBetweenBlocks()
    {
        const QString rec = writeRecord(m_dir.filePath("stopped.bin"), 2, 50000);
        Orma w;
        w.show();
        w.applyCommandLine({"-r", rec, "-j"});
        QVERIFY(waitForDelivered(w, 1));
        w.slotStart();
        QVERIFY(w.isStopped());
        action(w, "m_pDevParamsAction")->trigger();
        action(w, "m_pIntermodDistAction")->trigger();
        action(w, "m_pAdcDistribAction")->trigger();
        QCOMPARE(w.findChild<DevParamsDlg *>()->findChild<QTableWidget *>()->rowCount(), 3);
        QVERIFY(!w.findChild<IntermodDistDlg *>()->findChild<QLineEdit *>("m_pImd3Edit")->text().isEmpty());
        auto *distrib = w.findChild<AdcDistribDlg *>();
        QTRY_VERIFY(distrib->result() && distrib->result()->histogram.counted > 0);
    }

    // "на всей выборке": the source delivers the whole record and the histogram counts all of
    // it; closing the dialog gives the window back.
    void wholeRecord()
    {
        const QString rec = writeRecord(m_dir.filePath("whole.bin"), 2, 50000);
        Orma w;
        w.show();
        w.loadFile(rec);
        action(w, "m_pAdcDistribAction")->trigger();
        auto *distrib = w.findChild<AdcDistribDlg *>();
        distrib->findChild<QComboBox *>("m_pAllDataCmbBox")->setCurrentIndex(1);
        w.slotStart();
        QTRY_VERIFY_WITH_TIMEOUT(w.block() && w.block()->window.allDataMode, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(distrib->result() && distrib->result()->histogram.counted == 50000, 20000);
        distrib->close();
        QVERIFY(waitForDelivered(w, 2));
        QTRY_VERIFY_WITH_TIMEOUT(w.block() && !w.block()->window.allDataMode, 20000);
        w.slotStart();
    }
};

QTEST_MAIN(MeasurementWindowTest)
#include "test_mainwindow_measurements.moc"
