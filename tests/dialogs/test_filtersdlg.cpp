// "Параметры фильтрации": what it offers, the enabling rules, the block it hands over (odd
// length, filterId), a change signal for every edit, its keys saved on close, the reason shown
// when the filter cannot be applied, and the IIR export through the save dialog.
#include "dialogs/FiltersDlg.h"
#include "sources/settings/FilterSettings.h"

#include "DialogTestKit.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>

namespace {

QStringList items(QComboBox *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

// While it lives, a save dialog that opens is answered with `path` (empty: cancelled).
class SaveDialogHand : public QObject {
public:
    explicit SaveDialogHand(const QString &path) : m_path(path)
    {
        connect(&m_timer, &QTimer::timeout, this, &SaveDialogHand::answer);
        m_timer.start(5);
    }
    int opened = 0;

private:
    void answer()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dlg = qobject_cast<QFileDialog *>(w);
            if (!dlg || !dlg->isVisible())
                continue;
            ++opened;
            if (m_path.isEmpty()) {
                dlg->reject();
            } else {
                dlg->selectFile(m_path);
                QMetaObject::invokeMethod(dlg, "accept");
            }
        }
    }
    QString m_path;
    QTimer m_timer;
};

} // namespace

class FiltersDlgTest : public QObject {
    Q_OBJECT
private:
    template <typename W> static W *w(FiltersDlg &dlg, const char *name) { return kit::child<W>(dlg, name); }

private slots:
    void offersTheDialogsFields()
    {
        FiltersDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Параметры фильтрации"));
        QCOMPARE(items(w<QComboBox>(dlg, "m_pFilterTypeCmbBox")), (QStringList{"КИХ (FIR)", "БИХ (IIR)"}));
        QCOMPARE(items(w<QComboBox>(dlg, "m_pFilterFunctionCmbBox")),
                 (QStringList{"ФНЧ", "ФВЧ", "Полосовой", "Режекторный"}));
        QCOMPARE(items(w<QComboBox>(dlg, "m_pFirFilterCmbBox")), (QStringList{"Кайзер", "Окно"}));
        QCOMPARE(items(w<QComboBox>(dlg, "m_pFirWindowCmbBox")),
                 (QStringList{"Прямоугольное", "Треугольное", "Хэннинг", "Хэмминг", "Блэкман"}));
        QCOMPARE(items(w<QComboBox>(dlg, "m_pIirFilterCmbBox")),
                 (QStringList{"Баттерворта", "Чебышева", "Инв. Чебышева", "Эллиптический", "Бесселя"}));
        auto *tabs = w<QTabWidget>(dlg, "tabWidget");
        QCOMPARE(tabs->tabText(0), QStringLiteral("КИХ (FIR)"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("БИХ (IIR)"));
        QCOMPARE(tabs->currentIndex(), 1);
        auto *length = w<QSpinBox>(dlg, "m_pFirLengthSpin");
        QCOMPARE(length->value(), 200);
        // Capped, and the tooltip says at what.
        QCOMPARE(length->maximum(), FilterSettings::MaxFirLength);
        QVERIFY(length->toolTip().contains(QString::number(FilterSettings::MaxFirLength)));
        QCOMPARE(w<QSpinBox>(dlg, "m_pIirOrderSpin")->maximum(), 1000);
        QCOMPARE(w<QSpinBox>(dlg, "m_pIirOrderSpin")->value(), 5);
        auto *low = w<QDoubleSpinBox>(dlg, "m_pFirLowFreqSpin");
        QCOMPARE(low->maximum(), 10000000.0);
        QCOMPARE(low->decimals(), 3);
        QCOMPARE(low->value(), 10.0);
        QCOMPARE(w<QDoubleSpinBox>(dlg, "m_pFirUpFreqSpin")->value(), 20.0);
        QCOMPARE(w<QDoubleSpinBox>(dlg, "m_pIirLowFreqSpin")->value(), 20.0);
        QCOMPARE(w<QDoubleSpinBox>(dlg, "m_pIirUpFreqSpin")->value(), 30.0);
        QCOMPARE(w<QDoubleSpinBox>(dlg, "m_pIirPulseSpin")->value(), 0.5);
        QCOMPARE(w<QDoubleSpinBox>(dlg, "m_pIirDepresionSpin")->value(), 40.0);
        QCOMPARE(w<QDoubleSpinBox>(dlg, "m_pFirBetaKaiserSpin")->value(), 0.0);
        QCOMPARE(w<QPushButton>(dlg, "m_pWriteExcelButton")->text(), QStringLiteral("Запись"));
    }

    void handsOverAnOddLengthAndTheFilterId()
    {
        FiltersDlg dlg;
        QCOMPARE(dlg.filterParams().firLength, 201); // 200 is used as 201
        w<QComboBox>(dlg, "m_pFilterTypeCmbBox")->setCurrentIndex(1);
        w<QComboBox>(dlg, "m_pIirFilterCmbBox")->setCurrentIndex(3);
        w<QComboBox>(dlg, "m_pFilterFunctionCmbBox")->setCurrentIndex(3);
        QCOMPARE(dlg.filterParams().filterId, 47);
        w<QComboBox>(dlg, "m_pFilterTypeCmbBox")->setCurrentIndex(0);
        w<QComboBox>(dlg, "m_pFirFilterCmbBox")->setCurrentIndex(1);
        w<QComboBox>(dlg, "m_pFilterFunctionCmbBox")->setCurrentIndex(1);
        QCOMPARE(dlg.filterParams().filterId, 5);
        FilterParams p = FilterSettings::defaults();
        p.iirOrder = 9;
        p.firWindow = 3;
        p.iirUpFreq = 44.125f;
        dlg.setFilterParams(p);
        QVERIFY(dlg.filterParams() == p);
    }

    void enablingRules()
    {
        FiltersDlg dlg;
        auto *tabs = w<QTabWidget>(dlg, "tabWidget");
        auto *type = w<QComboBox>(dlg, "m_pFilterTypeCmbBox");
        auto *function = w<QComboBox>(dlg, "m_pFilterFunctionCmbBox");
        type->setCurrentIndex(1);
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(!tabs->isTabEnabled(0) && tabs->isTabEnabled(1));
        type->setCurrentIndex(0);
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(tabs->isTabEnabled(0) && !tabs->isTabEnabled(1));
        dlg.show();
        auto *note = w<QLabel>(dlg, "m_pSwitchNoteLabel");
        dlg.slotEnableChange(0);
        QVERIFY(!tabs->isTabEnabled(0) && !tabs->isTabEnabled(1));
        QVERIFY(note->isVisible()); // the switch is on the tool bar, not here
        dlg.slotEnableChange(1);
        QVERIFY(tabs->isTabEnabled(0));
        QVERIFY(!note->isVisible());
        QCOMPARE(tabs->currentIndex(), 0);

        auto *fir = w<QComboBox>(dlg, "m_pFirFilterCmbBox");
        fir->setCurrentIndex(1);
        QVERIFY(w<QComboBox>(dlg, "m_pFirWindowCmbBox")->isEnabled());
        QVERIFY(!w<QDoubleSpinBox>(dlg, "m_pFirBetaKaiserSpin")->isEnabled());
        fir->setCurrentIndex(0);
        QVERIFY(!w<QComboBox>(dlg, "m_pFirWindowCmbBox")->isEnabled());
        QVERIFY(w<QDoubleSpinBox>(dlg, "m_pFirBetaKaiserSpin")->isEnabled());
        for (int f = 0; f < 4; ++f) {
            function->setCurrentIndex(f);
            QCOMPARE(w<QDoubleSpinBox>(dlg, "m_pFirUpFreqSpin")->isEnabled(), f >= 2);
        }

        type->setCurrentIndex(1);
        auto *family = w<QComboBox>(dlg, "m_pIirFilterCmbBox");
        const bool ripple[] = {false, true, false, true, false};
        const bool attenuation[] = {false, false, true, true, false};
        for (int i = 0; i < 5; ++i) {
            family->setCurrentIndex(i);
            QCOMPARE(w<QDoubleSpinBox>(dlg, "m_pIirPulseSpin")->isEnabled(), ripple[i]);
            QCOMPARE(w<QDoubleSpinBox>(dlg, "m_pIirDepresionSpin")->isEnabled(), attenuation[i]);
            // The inverse Chebyshev is given its stop-band edge, the others their pass-band one.
            QCOMPARE(w<QLabel>(dlg, "m_pIirLowFreqLabel")->text().contains("подавления"), i == 2);
        }
        function->setCurrentIndex(0);
        QVERIFY(!w<QDoubleSpinBox>(dlg, "m_pIirUpFreqSpin")->isEnabled());
        function->setCurrentIndex(2);
        QVERIFY(w<QDoubleSpinBox>(dlg, "m_pIirUpFreqSpin")->isEnabled());
    }

    void everyEditAnnouncesAChange()
    {
        FiltersDlg dlg;
        QSignalSpy spy(&dlg, &FiltersDlg::signalParamsChange);
        int expected = 0;
        for (QComboBox *box : dlg.findChildren<QComboBox *>()) {
            box->setCurrentIndex(box->currentIndex() == 0 ? 1 : 0);
            QCOMPARE(spy.count(), ++expected);
        }
        for (QSpinBox *spin : dlg.findChildren<QSpinBox *>()) {
            spin->setValue(spin->value() + 1);
            QCOMPARE(spy.count(), ++expected);
        }
        for (QDoubleSpinBox *spin : dlg.findChildren<QDoubleSpinBox *>()) {
            spin->setValue(spin->value() + 0.5);
            QCOMPARE(spy.count(), ++expected);
        }
        dlg.setFilterParams(FilterSettings::defaults()); // a whole new set: one change
        QCOMPARE(spy.count(), ++expected);
    }

    void keysLoadedAndSavedOnClose()
    {
        kit::ScratchIni ini;
        ini.set("Filtration/FilterType", 1);
        ini.set("Filtration/IirFilter", 4);
        ini.set("Filtration/IirOrder", 7);
        ini.set("Filtration/FirLength", 64);
        FiltersDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.load();
        QCOMPARE(w<QComboBox>(dlg, "m_pIirFilterCmbBox")->currentIndex(), 4);
        QCOMPARE(w<QSpinBox>(dlg, "m_pIirOrderSpin")->value(), 7);
        QCOMPARE(w<QSpinBox>(dlg, "m_pFirLengthSpin")->value(), 65);
        QCOMPARE(w<QTabWidget>(dlg, "tabWidget")->currentIndex(), 1);
        dlg.show();
        w<QSpinBox>(dlg, "m_pIirOrderSpin")->setValue(3);
        dlg.close();
        QCOMPARE(ini.get("Filtration/IirOrder").toInt(), 3);
        QCOMPARE(ini.get("Filtration/FilterId").toInt(), 48);
        QCOMPARE(openIni(ini.path())->allKeys().size(), 15);
        dlg.show();
        w<QSpinBox>(dlg, "m_pIirOrderSpin")->setValue(4);
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(ini.get("Filtration/IirOrder").toInt(), 4);
    }

    // The dialog says why the filter cannot be applied, from the rule or from the last block.
    void showsWhyTheFilterIsNotApplied()
    {
        FiltersDlg dlg;
        auto *status = w<QLabel>(dlg, "m_pStatusLabel");
        dlg.setSampleRate(1e6);
        w<QComboBox>(dlg, "m_pFilterTypeCmbBox")->setCurrentIndex(1);
        QVERIFY(status->text().isEmpty());
        w<QDoubleSpinBox>(dlg, "m_pIirLowFreqSpin")->setValue(600);
        QVERIFY(status->text().startsWith("Filtration/IirLowFreq = 600"));
        w<QDoubleSpinBox>(dlg, "m_pIirLowFreqSpin")->setValue(60);
        QVERIFY(status->text().isEmpty());
        dlg.setBlockStatus(QStringLiteral("Фильтр дал нечисловые отсчеты"));
        QCOMPARE(status->text(), QStringLiteral("Фильтр дал нечисловые отсчеты"));
        dlg.setSampleRate(0);
        QVERIFY(status->text().startsWith("Частота дискретизации 0"));
    }

    void exportGoesThroughTheSaveDialog()
    {
        QTemporaryDir dir;
        FiltersDlg dlg;
        dlg.setSampleRate(1e6);
        dlg.show();
        const QString path = dir.filePath("iir.xlsx");
        {
            SaveDialogHand hand(path);
            w<QPushButton>(dlg, "m_pWriteExcelButton")->click();
            QCOMPARE(hand.opened, 1);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(4) == "PK\x03\x04");
        file.close();
        QFile::remove(path);
        {
            SaveDialogHand hand{QString()}; // Cancel writes nothing
            w<QPushButton>(dlg, "m_pWriteExcelButton")->click();
            QCOMPARE(hand.opened, 1);
        }
        QVERIFY(!QFile::exists(path));
        // Nothing designable: a warning titled "ORMA", no save dialog.
        dlg.setSampleRate(0);
        kit::MessageHand messages;
        SaveDialogHand hand(path);
        w<QPushButton>(dlg, "m_pWriteExcelButton")->click();
        QCOMPARE(hand.opened, 0);
        QCOMPARE(messages.seen().size(), 1);
        QCOMPARE(messages.seen().first().title, QStringLiteral("ORMA"));
        QCOMPARE(messages.seen().first().icon, QMessageBox::Warning);
    }
};

QTEST_MAIN(FiltersDlgTest)
#include "test_filtersdlg.moc"
