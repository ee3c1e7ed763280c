// The generator dialog: widget units against the stored ones, the row switches, the harmonics
// button and the edit handed back on OK.
#include "sources/ui/SignalSimulationDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class SignalSimulationDlgTest : public QObject {
    Q_OBJECT
private:
    template <typename W> W *child(QWidget &dlg, const QString &name)
    {
        W *w = dlg.findChild<W *>(name);
        if (!w)
            qFatal("missing widget %s", qPrintable(name));
        return w;
    }

private slots:
    void widgetsConvertToStoredUnits()
    {
        SignalSimulationDlg dlg;
        child<QLineEdit>(dlg, "m_pNumSamplesEdit")->setText("4096");
        child<QDoubleSpinBox>(dlg, "m_pSamplFreqSpin")->setValue(2500.125);
        child<QDoubleSpinBox>(dlg, "m_pRangeSpin")->setValue(1.2345);
        child<QComboBox>(dlg, "m_pSignalsNumberCombo")->setCurrentIndex(0);
        child<QCheckBox>(dlg, "m_pWhiteNoiseCheck")->setChecked(true);
        child<QSpinBox>(dlg, "m_pWhiteNoiseAmplSpin")->setValue(4);
        child<QCheckBox>(dlg, "m_pChan5Check")->setChecked(true);
        child<QDoubleSpinBox>(dlg, "m_pFreqChan5Spin")->setValue(777.777);
        const SimulationSettings s = dlg.settings();
        QCOMPARE(s.sampleCount, 4096ull);
        QCOMPARE(s.sampleRate, 2500125.0);
        QCOMPARE(s.voltageRangeMv, 1234); // 3 decimals shown, millivolts truncated
        QVERIFY(!s.manySignals);
        QCOMPARE(s.rows[5].noiseAmplitude, 4);
        QCOMPARE(s.rows[0].noiseAmplitude, 4);
        QCOMPARE(s.channelRecord(5).frequency, 777);
        QCOMPARE(dlg.enabledCount(), 2);
    }

    void rowSwitchEnablesItsEditors()
    {
        SignalSimulationDlg dlg;
        QVERIFY(!child<QDoubleSpinBox>(dlg, "m_pAmplChan9Spin")->isEnabled());
        child<QCheckBox>(dlg, "m_pChan9Check")->setChecked(true);
        QVERIFY(child<QDoubleSpinBox>(dlg, "m_pAmplChan9Spin")->isEnabled());
        QVERIFY(child<QDoubleSpinBox>(dlg, "m_pPhaseChan9Spin")->isEnabled());
        child<QCheckBox>(dlg, "m_pChan0Check")->setChecked(false);
        QVERIFY(!child<QDoubleSpinBox>(dlg, "m_pFreqChan0Spin")->isEnabled());
        QCOMPARE(dlg.enabledCount(), 1);
    }

    void harmonicsButtonAndOk()
    {
        SignalSimulationDlg dlg;
        child<QDoubleSpinBox>(dlg, "m_pFreqChan0Spin")->setValue(1500);
        child<QPushButton>(dlg, "m_pHarmonicButton")->click();
        QCOMPARE(dlg.enabledCount(), 16);
        QCOMPARE(child<QDoubleSpinBox>(dlg, "m_pFreqChan3Spin")->value(), 6000.0);
        QCOMPARE(child<QComboBox>(dlg, "m_pSignalsNumberCombo")->currentIndex(), 0);
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        const SimulationSettings s = dlg.settings();
        QCOMPARE(s.rows[15].frequency, 24000.0);
        QVERIFY(s.rows[15].enabled);
        QCOMPARE(s.sampleRate, 101000.0);
    }

    // Shown again after a cancelled edit, the owner's settings come back whole.
    void setSettingsShowsEveryField()
    {
        SimulationSettings owner;
        owner.sampleCount = 8192;
        owner.bitRange = 16;
        owner.rows[0].noiseAmplitude = 7; // one amplitude for every row, as row 0 gives it
        owner.rows[3] = {true, 7, 100.0, 250.5, 45.0};
        SignalSimulationDlg dlg;
        dlg.setSettings(owner);
        child<QCheckBox>(dlg, "m_pChan3Check")->setChecked(false);
        child<QLineEdit>(dlg, "m_pNumSamplesEdit")->setText("5");
        dlg.reject();
        dlg.setSettings(owner);
        QVERIFY(child<QDoubleSpinBox>(dlg, "m_pFreqChan3Spin")->isEnabled());
        const SimulationSettings s = dlg.settings();
        QCOMPARE(s.sampleCount, 8192ull);
        QCOMPARE(s.bitRange, 16);
        QCOMPARE(s.rows[3].frequency, 250.5);
        QCOMPARE(s.rows[3].noiseAmplitude, 7);
        QCOMPARE(dlg.enabledCount(), 2);
    }
};

QTEST_MAIN(SignalSimulationDlgTest)
#include "test_signal_simulation_dlg.moc"
