// "Критерии поиска" and "Выбор каналов": unit changes convert the shown threshold, the
// channel description, the channel list's "Все каналы" rule, and OK saving the keys.
#include "app/FindChansDlg.h"
#include "app/FindDlg.h"
#include "panels/OrmaOscPanel.h"
#include "plot/Transforms.h"
#include "tests/dialogs/DialogTestKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

using kit::child;

class FindDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void unitChangeConvertsTheThreshold()
    {
        FindDlg dlg;
        dlg.setImpedance(50);
        auto *spin = child<QDoubleSpinBox>(dlg, "m_pUpPowerSpin");
        auto *dim = child<QComboBox>(dlg, "m_pUpPowerDim");
        QCOMPARE(dim->count(), 5);
        QCOMPARE(dim->currentText(), QString("dB"));
        dlg.selectUnit(FindUpPower, "В(эфф)");
        spin->setValue(1);
        dlg.selectUnit(FindUpPower, "dB");
        QCOMPARE(spin->value(), 0.0);
        dlg.selectUnit(FindUpPower, "dBm");
        QCOMPARE(spin->value(), 13.010);
        dlg.selectUnit(FindUpPower, "dBuV");
        QCOMPARE(spin->value(), 120.0);
        dlg.selectUnit(FindUpPower, "В(ампл)");
        QCOMPARE(spin->value(), 1.414);
        dlg.selectUnit(FindUpPower, "В(эфф)");
        QCOMPARE(spin->value(), 1.0);
        QCOMPARE(dlg.unitText(FindUpPower), QString("В(эфф)"));

        // The other combos keep their own units; 600 Ω changes dBm.
        dlg.setImpedance(600);
        auto *harm = child<QDoubleSpinBox>(dlg, "m_pLowPowerHarmSpin");
        dlg.selectUnit(FindLowPowerHarm, "dBm");
        harm->setValue(0);
        dlg.selectUnit(FindLowPowerHarm, "В(эфф)");
        QCOMPARE(harm->value(), 0.775);
        QCOMPARE(spin->value(), 1.0);

        // Zero volts has no logarithm: the spin box's limit, not NaN.
        harm->setValue(0);
        dlg.selectUnit(FindLowPowerHarm, "dB");
        QCOMPARE(harm->value(), -15000.0);
    }

    // The tool's conversions must be the panels': the oscilloscope's codes to volts, and the
    // spectrum's power units for the signal-level thresholds.
    void conversionsAgreeWithThePanels()
    {
        OrmaOscPanel osc;
        for (int bits : {8, 12, 14, 16, 24}) {
            for (int rangeMv : {1000, 2500, 5000, 10000}) {
                osc.setBits(bits);
                osc.setInputRange(rangeMv);
                FileParams p;
                p.bitRange = uint8_t(bits);
                p.voltageRangeMv = rangeMv;
                for (double code : {1.0, -777.0, 1023.0})
                    QVERIFY(qAbs(osc.convertAmplitude(code, DimCodes, DimVolts) -
                                 code * recordVoltsPerCode(p)) < 1e-12);
            }
        }
        PowerTransforms power;
        power.setImpedance(600);
        const struct {
            int dimension, unit;
        } units[] = {{DimDecibels, LevelDb}, {DimDbm, LevelDbm}, {DimDbMicrovolt, LevelDbuV}};
        for (const auto &u : units) {
            power.setType(u.dimension);
            for (double volts : {1e-5, 0.3, 1.0, 7.5})
                QVERIFY(qAbs(power.toUnits(volts * volts) - rmsVoltsToLevel(volts, u.unit, 600, 15000)) < 1e-9);
        }
    }

    void channelDescription()
    {
        FindDlg dlg;
        dlg.setAvailableChannels({0, 2, 5});
        auto *button = child<QPushButton>(dlg, "m_pChangeChansButton");
        QCOMPARE(dlg.infoText(), QString("Поиск в текущем канале."));
        QVERIFY(!button->isEnabled());
        QVERIFY(dlg.searchChannels().isEmpty());

        child<QRadioButton>(dlg, "m_pExtFindRadioBtn")->setChecked(true);
        QVERIFY(button->isEnabled());
        QCOMPARE(dlg.infoText(), QString("Поиск во всех каналах."));
        QCOMPARE(dlg.searchChannels(), QList<int>({0, 2, 5}));

        FindSettings s = dlg.settings();
        s.channels = {2};
        dlg.setSettings(s);
        QCOMPARE(dlg.infoText(), QString("Поиск в каналах: 2."));
        QCOMPARE(dlg.searchChannels(), QList<int>({2}));

        dlg.setAvailableChannels({1, 2, 3});
        s.channels = {1, 3};
        dlg.setSettings(s);
        QCOMPARE(dlg.infoText(), QString("Поиск в каналах: 1, 3."));
    }

    void channelListRules()
    {
        FindChansDlg dlg({0, 2, 5}, {2});
        QCOMPARE(dlg.windowTitle(), QString("Выбор каналов"));
        auto *list = child<QListWidget>(dlg, "m_pChansListWgt");
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->item(0)->text(), QString("Все каналы"));
        QCOMPARE(list->item(3)->text(), QString("Канал 5"));
        QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(list->item(2)->checkState(), Qt::Checked);
        QCOMPARE(dlg.selected(), QList<int>({2}));

        list->item(1)->setCheckState(Qt::Checked);
        QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
        list->item(3)->setCheckState(Qt::Checked);
        QCOMPARE(list->item(0)->checkState(), Qt::Checked);
        list->item(0)->setCheckState(Qt::Unchecked);
        for (int i = 1; i < 4; ++i)
            QCOMPARE(list->item(i)->checkState(), Qt::Unchecked);
        // Nothing checked searches everything rather than nothing.
        QCOMPARE(dlg.selected(), QList<int>({0, 2, 5}));
        list->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(list->item(2)->checkState(), Qt::Checked);

        FindChansDlg none({0, 2, 5}, {});
        QCOMPARE(child<QListWidget>(none, "m_pChansListWgt")->item(0)->checkState(), Qt::Checked);
    }

    void okSavesCancelDoesNot()
    {
        kit::ScratchIni ini;
        FindDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.setAvailableChannels({0, 1});
        dlg.load();
        child<QCheckBox>(dlg, "m_pUpSnrChkBox")->setChecked(true);
        child<QDoubleSpinBox>(dlg, "m_pUpSnrSpin")->setValue(55.125);
        QTimer::singleShot(0, &dlg, &QDialog::reject);
        dlg.exec();
        QVERIFY(!ini.get("Find/UpSnrEnable").isValid());

        QTimer::singleShot(0, &dlg, &QDialog::accept);
        dlg.exec();
        QCOMPARE(ini.get("Find/UpSnrEnable").toString(), QString("1"));
        QCOMPARE(ini.get("Find/UpSnr").toDouble(), 55.125);
        QCOMPARE(ini.get("Find/IsCurrentChan").toString(), QString("1"));
        QCOMPARE(ini.get("Find/FindChan0").toInt(), 0);
        QCOMPARE(ini.get("Find/FindChan2").toInt(), -1);

        FindDlg again;
        again.setConfigPath(ini.path());
        again.setAvailableChannels({0, 1});
        again.load();
        QVERIFY(again.isCriterionEnabled(FindUpSnr));
        QCOMPARE(again.threshold(FindUpSnr), 55.125);
        QVERIFY(again.autoOpen());
    }
};

QTEST_MAIN(FindDialogsTest)
#include "test_find_dialogs.moc"
