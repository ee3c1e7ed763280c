// The other-settings and palette dialogs: what they show, the built-in palettes as published,
// colour picking, and that OK hands the edit back while Cancel leaves the owner's value.
#include "dialogs/OtherSetupDlg.h"
#include "dialogs/PalletDlg.h"

#include "DialogTestKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>

namespace {

// A palette dialog whose colour chooser answers from a script and remembers its titles.
class ScriptedPalletDlg : public PalletDlg {
public:
    QColor answer;
    QStringList titles;
    QList<QColor> offered;

protected:
    QColor chooseColor(const QColor &current, const QString &sTitle) override
    {
        titles << sTitle;
        offered << current;
        return answer;
    }
};

void release(QWidget *w, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), button, button, Qt::NoModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(3, 3), button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &up);
}

QRgb shown(QWidget *swatch)
{
    return swatch->palette().color(QPalette::Inactive, QPalette::Window).rgb();
}

} // namespace

class SettingsDlgsTest : public QObject {
    Q_OBJECT
private slots:
    void otherSetupShowsAndHandsBack()
    {
        OtherSetupDlg dlg;
        QVERIFY(dlg.settings() == OtherSettings());
        auto *count = kit::child<QSpinBox>(dlg, "m_pAccumCountSpin");
        QVERIFY(!count->isEnabled()); // no count while accumulation never ends

        OtherSettings owner;
        owner.maxChannelCount = 16;
        owner.isAccumInf = false;
        owner.accumCount = 7;
        const OtherSettings kept = owner;
        for (bool isOk : {false, true}) {
            dlg.setSettings(owner);
            QCOMPARE(kit::child<QComboBox>(dlg, "m_pMaxChanCmbBox")->currentText(), QStringLiteral("16"));
            QVERIFY(count->isEnabled());
            QCOMPARE(count->value(), 7);
            dlg.show();
            kit::child<QComboBox>(dlg, "m_pMaxChanCmbBox")->setCurrentIndex(0);
            kit::child<QCheckBox>(dlg, "m_pTikSamplesCheck")->setChecked(true);
            kit::child<QCheckBox>(dlg, "m_pAccumInfCheck")->setChecked(true);
            QVERIFY(!count->isEnabled());
            kit::child<QCheckBox>(dlg, "m_pSpectrEnableCheck")->setChecked(false);
            kit::child<QPushButton>(dlg, isOk ? "m_pOkButton" : "m_pCancelButton")->click();
            QCOMPARE(dlg.result(), int(isOk ? QDialog::Accepted : QDialog::Rejected));
        }
        QVERIFY(owner == kept);
        OtherSettings edited = kept;
        edited.maxChannelCount = 8;
        edited.isTikSamples = true;
        edited.isAccumInf = true;
        edited.isSpectrEnable = false;
        QVERIFY(dlg.settings() == edited);
    }

    void paletteDialogShowsItsSettings()
    {
        PalletDlg dlg;
        QVERIFY(dlg.settings() == PaletteSettings::orma());
        QCOMPARE(shown(kit::child<QFrame>(dlg, "frame_0")), qRgb(255, 255, 0));
        QCOMPARE(shown(kit::child<QFrame>(dlg, "m_pDisplayFrame")), qRgb(0, 0, 0));
        PaletteSettings p;
        p.channels[63] = qRgb(1, 2, 3);
        p.scale = qRgb(4, 5, 6);
        dlg.setSettings(p);
        QCOMPARE(shown(kit::child<QFrame>(dlg, "frame_63")), qRgb(1, 2, 3));
        QCOMPARE(shown(kit::child<QFrame>(dlg, "m_pScaleFrame")), qRgb(4, 5, 6));
    }

    void builtInPalettesAsPublished()
    {
        const PaletteSettings standard = PaletteSettings::standard(), orma = PaletteSettings::orma();
        const QRgb first[] = {qRgb(0, 0, 0),     qRgb(255, 0, 0),   qRgb(0, 0, 255),   qRgb(0, 170, 0),
                              qRgb(255, 255, 0), qRgb(0, 255, 0),   qRgb(255, 170, 0), qRgb(255, 153, 255)};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(standard.channels[size_t(i)], first[i]);
        for (int i = 8; i < PaletteSettings::ChannelCount; ++i) // the two differ in the first eight only
            QCOMPARE(standard.channels[size_t(i)], orma.channels[size_t(i)]);
        QCOMPARE(standard.display, qRgb(255, 255, 255));
    }

    void builtInPaletteThenCancelOrOk()
    {
        PaletteSettings owner;
        owner.channels[5] = qRgb(0x12, 0x34, 0x56);
        const PaletteSettings kept = owner;
        PalletDlg dlg;
        for (bool isOk : {false, true}) {
            dlg.setSettings(owner);
            QCOMPARE(shown(kit::child<QFrame>(dlg, "frame_5")), qRgb(0x12, 0x34, 0x56));
            dlg.show();
            kit::child<QPushButton>(dlg, "m_pStdPalButton")->click();
            QCOMPARE(shown(kit::child<QFrame>(dlg, "frame_0")), qRgb(0, 0, 0));
            QCOMPARE(shown(kit::child<QFrame>(dlg, "m_pDisplayFrame")), qRgb(255, 255, 255));
            kit::child<QPushButton>(dlg, isOk ? "m_pOkButton" : "m_pCancelButton")->click();
            QCOMPARE(dlg.result(), int(isOk ? QDialog::Accepted : QDialog::Rejected));
        }
        QVERIFY(owner == kept);
        QVERIFY(dlg.settings() == PaletteSettings::standard());
        kit::child<QPushButton>(dlg, "m_pStdOrmaButton")->click();
        QVERIFY(dlg.settings() == PaletteSettings::orma());
    }

    void pickingAChannelColour()
    {
        ScriptedPalletDlg dlg;
        QFrame *swatch = kit::child<QFrame>(dlg, "frame_9");

        dlg.answer = QColor(); // the chooser was cancelled
        release(swatch);
        QCOMPARE(dlg.titles, QStringList{QString::fromUtf8("Выберите цвет канала")});
        QCOMPARE(dlg.offered.first(), QColor(0xFF, 0x66, 0x33));
        QCOMPARE(dlg.settings().channels[9], qRgb(0xFF, 0x66, 0x33));
        QCOMPARE(shown(swatch), qRgb(0xFF, 0x66, 0x33));

        dlg.answer = QColor(10, 20, 30);
        release(swatch);
        QCOMPARE(dlg.settings().channels[9], qRgb(10, 20, 30));
        QCOMPARE(shown(swatch), qRgb(10, 20, 30));

        release(swatch, Qt::RightButton); // only the left button picks
        QCOMPARE(dlg.titles.size(), 2);
    }

    void singleSwatchesHaveTheirOwnTitles_data()
    {
        QTest::addColumn<QString>("swatch");
        QTest::addColumn<QString>("title");
        QTest::newRow("display") << "m_pDisplayFrame" << QString::fromUtf8("Выберите цвет экранов");
        QTest::newRow("fft") << "m_pFftFrame" << QString::fromUtf8("Выберите цвет границы БПФ");
        QTest::newRow("grid") << "m_pNetFrame" << QString::fromUtf8("Выберите цвет координатных сеток");
        QTest::newRow("scale") << "m_pScaleFrame" << QString::fromUtf8("Выберите цвет координатных сеток");
    }
    void singleSwatchesHaveTheirOwnTitles()
    {
        QFETCH(QString, swatch);
        QFETCH(QString, title);
        ScriptedPalletDlg dlg;
        dlg.answer = QColor(1, 2, 3);
        release(kit::child<QFrame>(dlg, qPrintable(swatch)));
        QCOMPARE(dlg.titles, QStringList{title});
        const PaletteSettings &s = dlg.settings();
        const QList<QRgb> singles = {s.display, s.fft, s.net, s.scale};
        QCOMPARE(singles.count(qRgb(1, 2, 3)), 1);
        QVERIFY(s.channels == PaletteSettings::orma().channels);
    }
};

QTEST_MAIN(SettingsDlgsTest)
#include "test_settingsdlgs.moc"
