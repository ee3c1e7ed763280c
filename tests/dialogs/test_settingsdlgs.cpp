// The other-settings and palette dialogs: defaults of a fresh configuration, the built-in
// palettes as published, colour picking, and that only OK reaches the file.
#include "dialogs/OtherSetupDlg.h"
#include "dialogs/PalletDlg.h"

#include "DialogTestKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>

using ColorList = QVector<QColor>;

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

QColor shown(QWidget *swatch)
{
    return swatch->palette().color(QPalette::Inactive, QPalette::Window);
}

} // namespace

class SettingsDlgsTest : public QObject {
    Q_OBJECT
private slots:
    void storedMaxChannelOtherThanEightSelectsSixteen_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("none") << "" << 8;
        QTest::newRow("8") << "8" << 8;
        QTest::newRow("12") << "12" << 16;
        QTest::newRow("0") << "0" << 16;
        QTest::newRow("garbage") << "many" << 8;
    }
    void storedMaxChannelOtherThanEightSelectsSixteen()
    {
        QFETCH(QString, stored);
        QFETCH(int, shown);
        kit::ScratchIni ini;
        if (!stored.isEmpty())
            ini.set("MaxChannel", stored);
        OtherSetupDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        QCOMPARE(dlg.maxChannelCount(), shown);
    }

    void otherSetupDefaultsCancelAndOk()
    {
        kit::ScratchIni ini;
        ini.set("AccumCount", 5e9); // beyond the field: clamped
        OtherSetupDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        QVERIFY(!dlg.isTikSamples() && !dlg.isMarkerSamples() && dlg.isAccumInf() && dlg.isSpectrEnable());
        QCOMPARE(dlg.accumCount(), 999999999);
        auto *count = kit::child<QSpinBox>(dlg, "m_pAccumCountSpin");
        QVERIFY(!count->isEnabled()); // no count while accumulation never ends

        for (bool isOk : {false, true}) {
            dlg.show();
            kit::child<QComboBox>(dlg, "m_pMaxChanCmbBox")->setCurrentIndex(1);
            kit::child<QCheckBox>(dlg, "m_pTikSamplesCheck")->setChecked(true);
            kit::child<QCheckBox>(dlg, "m_pAccumInfCheck")->setChecked(false);
            QVERIFY(count->isEnabled());
            count->setValue(25);
            kit::child<QCheckBox>(dlg, "m_pSpectrEnableCheck")->setChecked(false);
            kit::child<QPushButton>(dlg, isOk ? "m_pOkButton" : "m_pCancelButton")->click();
            if (!isOk) {
                QCOMPARE(dlg.maxChannelCount(), 8);
                QVERIFY(dlg.isAccumInf() && !count->isEnabled());
                QVERIFY(!ini.bytes().contains("MaxChannel"));
            }
        }
        // Keys of the general section, booleans as 0 / 1, the channel limit as the number.
        const QByteArray bytes = ini.bytes();
        for (const char *line : {"MaxChannel=16", "ShowTikSamples=1", "ShowMarkerSamples=0", "AccumInf=0",
                                 "AccumCount=25", "SpectrEnable=0"})
            QVERIFY2(bytes.contains(line), line);
        QVERIFY(bytes.startsWith("[General]"));
    }

    void freshConfigurationHasTheOrmaPalette()
    {
        kit::ScratchIni ini;
        PalletDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        const ColorList &c = dlg.channelColors();
        QCOMPARE(c.size(), 64);
        QCOMPARE(c.at(0), QColor(255, 255, 0)); // yellow
        QCOMPARE(c.at(1), QColor(255, 0, 0));   // red
        QCOMPARE(c.at(7), QColor(0x99, 0x99, 0x99));
        QCOMPARE(c.at(17), QColor(0xA0, 0xA0, 0xA0));
        QCOMPARE(c.at(63), QColor(0xFF, 0x33, 0xCC));
        QCOMPARE(dlg.displayColor(), QColor(Qt::black));
        QCOMPARE(dlg.fftColor(), QColor(0, 170, 0));
        QCOMPARE(dlg.netColor(), QColor(117, 117, 117));
        QCOMPARE(dlg.scaleColor(), QColor(Qt::white));
        QCOMPARE(shown(kit::child<QFrame>(dlg, "frame_0")), QColor(255, 255, 0));
        QCOMPARE(shown(kit::child<QFrame>(dlg, "m_pDisplayFrame")), QColor(Qt::black));
    }

    void standardPaletteThenCancelLeavesEverythingAsItWas()
    {
        kit::ScratchIni ini;
        ini.set("Pallete/ChanColor5", 0x123456);
        const QByteArray before = ini.bytes();
        PalletDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        dlg.show();
        kit::child<QPushButton>(dlg, "m_pStdPalButton")->click();
        QCOMPARE(dlg.displayColor(), QColor(Qt::white));
        QCOMPARE(shown(kit::child<QFrame>(dlg, "frame_0")), QColor(Qt::black));
        kit::child<QPushButton>(dlg, "m_pCancelButton")->click();

        QCOMPARE(ini.bytes(), before);
        QCOMPARE(dlg.displayColor(), QColor(Qt::black));
        QCOMPARE(dlg.channelColors().at(5), QColor(0x12, 0x34, 0x56));
        QCOMPARE(shown(kit::child<QFrame>(dlg, "frame_0")), QColor(255, 255, 0));
    }

    void standardPaletteThenOkIsStoredPacked()
    {
        kit::ScratchIni ini;
        PalletDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        dlg.show();
        kit::child<QPushButton>(dlg, "m_pStdPalButton")->click();
        kit::child<QPushButton>(dlg, "m_pOkButton")->click();
        // red x 65536 + green x 256 + blue.
        const QStringList keys = {"ChanColor0", "ChanColor4", "ChanColor8", "ChanColor63",
                                  "DysplayColor", "FftColor", "NetColor", "ScaleColor"};
        QVariantList stored;
        for (const QString &key : keys)
            stored << ini.get("Pallete/" + key).toInt();
        QCOMPARE(stored, (QVariantList{0, 16776960, 13382604, 16724940, 16777215, 16776960, 7697781, 65280}));

        PalletDlg again;
        again.setConfigPath(ini.path());
        again.load();
        const ColorList &c = again.channelColors();
        QCOMPARE(c.mid(0, 8), (ColorList{Qt::black, Qt::red, Qt::blue, QColor(0, 170, 0), Qt::yellow,
                                         Qt::green, QColor(255, 170, 0), QColor(255, 153, 255)}));
        QCOMPARE(c.mid(8), Palette::orma().channels.mid(8)); // the two differ in the first eight only
        kit::child<QPushButton>(again, "m_pStdOrmaButton")->click();
        QCOMPARE(again.channelColors(), Palette::orma().channels);
    }

    void pickingAChannelColour()
    {
        kit::ScratchIni ini;
        ScriptedPalletDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        QFrame *swatch = kit::child<QFrame>(dlg, "frame_9");

        dlg.answer = QColor(); // the chooser was cancelled
        release(swatch);
        QCOMPARE(dlg.titles, QStringList{QString::fromUtf8("Выберите цвет канала")});
        QCOMPARE(dlg.offered.first(), QColor(0xFF, 0x66, 0x33));
        QCOMPARE(dlg.channelColors().at(9), QColor(0xFF, 0x66, 0x33));
        QCOMPARE(shown(swatch), QColor(0xFF, 0x66, 0x33));

        dlg.answer = QColor(10, 20, 30);
        release(swatch);
        QCOMPARE(dlg.channelColors().at(9), QColor(10, 20, 30));
        QCOMPARE(shown(swatch), QColor(10, 20, 30));

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
        kit::ScratchIni ini;
        ScriptedPalletDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        dlg.answer = QColor(1, 2, 3);
        release(kit::child<QFrame>(dlg, qPrintable(swatch)));
        QCOMPARE(dlg.titles, QStringList{title});
        const QList<QColor> singles = {dlg.displayColor(), dlg.fftColor(), dlg.netColor(), dlg.scaleColor()};
        QCOMPARE(singles.count(QColor(1, 2, 3)), 1);
        QCOMPARE(dlg.channelColors(), Palette::orma().channels);
    }

    void setChannelColorsAndDamagedStoredColours()
    {
        kit::ScratchIni ini;
        ini.set("Pallete/ChanColor0", "yellowish");
        ini.set("Pallete/ChanColor1", 16777216 * 4);
        ini.set("Pallete/DysplayColor", -7);
        PalletDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        QCOMPARE(dlg.channelColors().at(0), QColor(255, 255, 0)); // garbage: the default
        QCOMPARE(dlg.channelColors().at(1), QColor(Qt::white));   // clamped
        QCOMPARE(dlg.displayColor(), QColor(Qt::black));

        dlg.setChannelColors({Qt::cyan, Qt::magenta});
        QCOMPARE(dlg.channelColors().size(), 64);
        QCOMPARE(dlg.channelColors().at(1), QColor(Qt::magenta));
        QCOMPARE(dlg.channelColors().at(2), QColor(0, 0, 255));
        QCOMPARE(shown(kit::child<QFrame>(dlg, "frame_0")), QColor(Qt::cyan));
    }
};

QTEST_MAIN(SettingsDlgsTest)
#include "test_settingsdlgs.moc"
