// The distribution, device table and intermodulation dialogs on hand-made blocks: the figures
// they show and how, the settings they keep, the device table's colours and criteria, the
// export read back, and the faults they must not have (stale bit ranges, counts beyond the
// codes, row counts from unparsed descriptors, criteria that are not numbers).
#include "dialogs/AdcDistribDlg.h"
#include "dialogs/DevParamsDlg.h"
#include "dialogs/IntermodDistDlg.h"
#include "plot/OrmaPlot.h"

#include "BlockKit.h"
#include "DialogTestKit.h"
#include "ZipEntry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <qwt_scale_div.h>
#include <qwt_scale_map.h>

namespace {

const QColor Magenta(255, 85, 255), Grey(202, 202, 202), White(255, 255, 255);

std::shared_ptr<BlockSnapshot> sineBlock(int bits, uint64_t n, double amplitude, double offset = 0,
                                         bool whole = true)
{
    kit::BlockRecipe recipe;
    recipe.bits = bits;
    recipe.length = n;
    recipe.wholeRecord = whole;
    recipe.sample = [=](int, uint64_t i) { return kit::weylSine(i, amplitude, offset); };
    return kit::makeBlock(recipe);
}

QString text(QObject &dlg, const char *name) { return kit::child<QLineEdit>(dlg, name)->text(); }

// Shows the dialog, hands it the block and waits for the figures.
void feed(AdcDistribDlg &dlg, const BlockSnapshotPtr &block, int width = INT_MAX)
{
    ScopeWindow scope;
    scope.width = width;
    dlg.followBlock({block, scope});
    QTRY_VERIFY(!dlg.isComputing() && dlg.result());
}

ChannelRecord record(int number, DeviceValues v)
{
    ChannelRecord r;
    r.channelNumber = number;
    r.sfdr = v[0];
    r.snr = v[1];
    r.thd = v[2];
    r.sinad = v[3];
    r.enob = v[4];
    return r;
}

MeasurementContext tableBlock(const std::vector<DeviceValues> &rows, uint32_t channelCount)
{
    auto b = std::make_shared<BlockSnapshot>();
    b->fileParams.front().channelCount = channelCount;
    for (size_t i = 0; i < rows.size(); ++i)
        b->records.push_back(record(int(i), rows[i]));
    return {b};
}

// The line edit of a cell being edited, or null.
QLineEdit *openEditor(QTableWidget *table)
{
    for (QLineEdit *e : table->viewport()->findChildren<QLineEdit *>())
        if (e->isVisible())
            return e;
    return nullptr;
}

QColor cellColour(QTableWidget *t, int row, int col) { return t->item(row, col)->background().color(); }

} // namespace

class MeasurementDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // An ideal 8-bit converter's sine over the whole record: the mean relative bin error near 0
    // with six decimals, the offset 0, every sample counted.
    void distributionOfIdealSine()
    {
        AdcDistribDlg dlg;
        AdcDistribSettings s;
        s.isSin = true;
        s.isAllData = true;
        dlg.setSettings(s);
        dlg.show();
        feed(dlg, sineBlock(8, 400000, 127));
        const QString inl = text(dlg, "m_pMeanNonLinearEdit");
        QVERIFY2(inl.section('.', 1).size() == 6 && inl.toDouble() < 0.01, qPrintable(inl));
        QVERIFY(std::fabs(text(dlg, "m_pOffsetZeroEdit").toDouble()) < 0.01);
        QCOMPARE(dlg.result()->histogram.counted, uint64_t(400000));
        QVERIFY(kit::child<QLabel>(dlg, "m_pStatusLabel")->text().contains("400000"));
        QVERIFY(kit::child<QLineEdit>(dlg, "m_pMeanNonLinearEdit")->toolTip().contains(
            QString::fromUtf8("относительное")));
        // Without "Синусоидальный сигнал" the figures read 0.
        kit::child<QCheckBox>(dlg, "m_pSinCheck")->setChecked(false);
        QCOMPARE(text(dlg, "m_pMeanNonLinearEdit"), QStringLiteral("0"));
    }

    // A missing code, the red marker put on it with the mouse: DNL -1.
    void markerOnMissingCode()
    {
        AdcDistribDlg dlg;
        AdcDistribSettings s;
        s.isSin = true;
        s.isAllData = true;
        dlg.setSettings(s);
        dlg.resize(900, 600);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        kit::BlockRecipe recipe;
        recipe.length = 400000;
        recipe.wholeRecord = true;
        recipe.sample = [](int, uint64_t i) {
            const double c = kit::weylSine(i, 100);
            return c == 40.0 ? 41.0 : c;
        };
        feed(dlg, kit::makeBlock(recipe));
        auto *plot = kit::child<OrmaPlot>(dlg, "m_pAdcPlot");
        plot->replot();
        QWidget *canvas = plot->canvas();
        const QPoint at(int(plot->canvasMap(QwtPlot::xBottom).transform(40)),
                        int(plot->canvasMap(QwtPlot::yLeft).transform(0)) - 1);
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, at);
        QTRY_VERIFY(plot->isRedMarkerShown());
        QCOMPARE(text(dlg, "m_pRedXEdit"), QStringLiteral("40"));
        QCOMPARE(text(dlg, "m_pDiffNonLinearEdit").toDouble(), -1.0);
        QCOMPARE(text(dlg, "m_pSumEdit"), QStringLiteral("0.000"));
        // Hex display of the marker code.
        kit::child<QComboBox>(dlg, "m_pDataTypeCmbBox")->setCurrentIndex(1);
        QCOMPARE(text(dlg, "m_pRedXEdit"), QStringLiteral("0x28"));
    }

    // A click takes the code under it, not the trace point nearest on screen (the steep edge
    // of the histogram, far from a click high above code 0); the marker's Y follows the next
    // block's count at that code.
    void markerTakesClickedCode()
    {
        AdcDistribDlg dlg;
        dlg.resize(900, 600);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        feed(dlg, sineBlock(12, 400000, 2000));
        auto *plot = kit::child<OrmaPlot>(dlg, "m_pAdcPlot");
        plot->replot();
        const QwtScaleMap xMap = plot->canvasMap(QwtPlot::xBottom);
        const QPoint at(int(xMap.transform(0)), 5);
        QTest::mouseClick(plot->canvas(), Qt::LeftButton, Qt::NoModifier, at);
        QTRY_VERIFY(plot->isRedMarkerShown());
        const int code = int(std::lround(xMap.invTransform(at.x())));
        QCOMPARE(text(dlg, "m_pRedXEdit"), QString::number(code));
        for (uint64_t n : {400000, 100000}) {
            feed(dlg, sineBlock(12, n, 2000));
            QCOMPARE(text(dlg, "m_pRedYEdit"),
                     QString::number(dlg.result()->histogram.counts[size_t(code + 2048)], 'f', 3));
        }
    }

    // A channel's millivolts come from its own file: 20 codes of 8 bits over the second file's
    // 4000 mV are 20 * 4000 / 128 = 625 mV, and the axis ends at 4000 mV.
    void millivoltsOfChannelsFile()
    {
        kit::BlockRecipe recipe;
        recipe.channels = 2;
        recipe.length = 100000;
        recipe.sample = [](int, uint64_t i) { return kit::weylSine(i, 60, 20); };
        const auto block = kit::makeBlock(recipe);
        FileParams second = block->fileParams.front();
        block->fileParams.front().channelNumbers = {0};
        block->fileParams.front().channelCount = second.channelCount = 1;
        second.channelNumbers = {1};
        second.voltageRangeMv = 4000;
        block->fileParams.push_back(second);
        block->channels = ChannelMap(block->fileParams);
        AdcDistribDlg dlg;
        AdcDistribSettings s;
        s.isMillivolts = true;
        dlg.setSettings(s);
        dlg.show();
        ScopeWindow scope;
        scope.width = INT_MAX;
        dlg.followBlock({block, scope, 1});
        QTRY_VERIFY(!dlg.isComputing() && dlg.result());
        QVERIFY(std::fabs(text(dlg, "m_pOffsetZeroEdit").toDouble() - 625.0) < 0.1);
        QCOMPARE(kit::child<OrmaPlot>(dlg, "m_pAdcPlot")->axisScaleDiv(QwtPlot::xBottom).upperBound(), 4000.0);
    }

    // The reason label: the window standing in for a whole record not arrived yet (its figures
    // shown), a current channel missing from the block (figures withheld with the reason as
    // their tool tip), nothing once the whole record is there.
    void reasonLabel()
    {
        struct Case {
            bool wholeBlock;
            int channel;
            const char *reason;
            bool shown;
        };
        const Case cases[] = {{false, 0, "вся выборка еще не получена", true},
                              {true, 7, "текущего канала нет в принятом блоке", false},
                              {true, 0, "", true}};
        AdcDistribDlg dlg;
        AdcDistribSettings s;
        s.isAllData = true;
        dlg.setSettings(s);
        dlg.show();
        auto *label = kit::child<QLabel>(dlg, "m_pReasonLabel");
        auto *offset = kit::child<QLineEdit>(dlg, "m_pOffsetZeroEdit");
        for (const Case &c : cases) {
            ScopeWindow scope;
            scope.width = 1000;
            dlg.followBlock({sineBlock(8, 10000, 100, 0, c.wholeBlock), scope, c.channel});
            QTRY_VERIFY(!dlg.isComputing() && dlg.result());
            QVERIFY2(label->text().toLower() == QString::fromUtf8(c.reason)
                         || label->text().contains(QString::fromUtf8(c.reason)),
                     qPrintable(label->text()));
            QCOMPARE(!offset->text().isEmpty(), c.shown);
            if (!c.shown)
                QCOMPARE(offset->toolTip(), label->text());
        }
    }

    // Counted over the samples actually in the window, and relative to them.
    void windowModeAndScales()
    {
        AdcDistribDlg dlg;
        dlg.show();
        // The displayed span starts 1000 samples into the buffer and is 5000 wide; the block
        // is not a whole-record one.
        kit::BlockRecipe recipe;
        recipe.length = 20000;
        recipe.windowStart = 3000;
        recipe.position = 4000;
        recipe.sample = [](int, uint64_t i) { return i >= 1000 && i < 6000 ? 7.0 : -7.0; };
        const auto block = kit::makeBlock(recipe);
        feed(dlg, block, 5000);
        QCOMPARE(dlg.result()->histogram.counted, uint64_t(5000));
        QCOMPARE(dlg.result()->histogram.counts[7 + 128], uint64_t(5000));
        // Near the buffer's end the span is clamped to what the buffer holds.
        feed(dlg, block, 1000000);
        QCOMPARE(dlg.result()->histogram.counted, uint64_t(19000));

        auto *y = kit::child<QComboBox>(dlg, "m_pYDimCmbBox");
        auto *ideal = kit::child<QCheckBox>(dlg, "m_pShowIdealCheck");
        y->setCurrentIndex(2);
        QTRY_VERIFY(!dlg.isComputing());
        QVERIFY(ideal->isEnabled());
        QCOMPARE(text(dlg, "m_pSumEdit"), QStringLiteral("1.000"));
        y->setCurrentIndex(1);
        QTRY_VERIFY(!dlg.isComputing());
        QVERIFY(!ideal->isEnabled());
        QCOMPARE(*std::max_element(dlg.result()->y.begin(), dlg.result()->y.end()), 1.0);
    }

    // Each block brings its own bit range: an 8-bit block after a 12-bit one has 257 bins.
    void bitRangePerBlock()
    {
        AdcDistribDlg dlg;
        dlg.show();
        feed(dlg, sineBlock(12, 10000, 2000));
        QCOMPARE(dlg.result()->histogram.binCount(), 4097);
        feed(dlg, sineBlock(8, 10000, 100));
        QCOMPARE(dlg.result()->histogram.binCount(), 257);
    }

    // Over-driven samples land in the end bins, counted and reported; a 32-bit record is
    // refused with a message instead of allocating 2^32 bins.
    void outOfRangeAndRefusedRanges()
    {
        AdcDistribDlg dlg;
        dlg.show();
        feed(dlg, sineBlock(8, 10000, 400));
        const CodeHistogram &h = dlg.result()->histogram;
        QVERIFY(h.clampedLow > 0 && h.clampedHigh > 0);
        QVERIFY(kit::child<QLabel>(dlg, "m_pStatusLabel")->text().contains(QString::number(h.clamped())));
        feed(dlg, sineBlock(32, 100, 400));
        QVERIFY(!dlg.result()->error.isEmpty());
        QVERIFY(kit::child<QLabel>(dlg, "m_pStatusLabel")->text().contains(QString::fromUtf8("разрядность 32 больше 24")));
        QVERIFY(text(dlg, "m_pMeanNonLinearEdit").isEmpty());
        // A constant input: blank figures, no NaN.
        AdcDistribSettings s = dlg.settings();
        s.isSin = true;
        dlg.setSettings(s);
        feed(dlg, sineBlock(8, 1000, 0, 3));
        QCOMPARE(text(dlg, "m_pMeanNonLinearEdit"), QString());
        QCOMPARE(text(dlg, "m_pOffsetZeroEdit"), QStringLiteral("3.000"));
    }

    // Millivolts are written in decimal: choosing "мВ" while "Hex" is shown resets it.
    void millivoltsForceDecimal()
    {
        AdcDistribDlg dlg;
        auto *type = kit::child<QComboBox>(dlg, "m_pDataTypeCmbBox");
        type->setCurrentIndex(1);
        kit::child<QComboBox>(dlg, "m_pXDimCmbBox")->setCurrentIndex(1);
        QCOMPARE(type->currentText(), QStringLiteral("Dec"));
        type->setCurrentIndex(2);
        QCOMPARE(type->currentText(), QStringLiteral("Dec"));
    }

    void distributionSettingsRoundTrip()
    {
        kit::ScratchIni ini;
        ini.set("AdcDistrib/YDim", 2);
        ini.set("AdcDistrib/IsSin", 1);
        ini.set("AdcDistrib/AllData", 7); // not a choice: the default
        AdcDistribDlg dlg;
        dlg.setConfigPath(ini.path());
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pYDimCmbBox")->currentIndex(), 2);
        QVERIFY(kit::child<QCheckBox>(dlg, "m_pSinCheck")->isChecked());
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pAllDataCmbBox")->currentIndex(), 0);
        kit::child<QComboBox>(dlg, "m_pXDimCmbBox")->setCurrentIndex(1);
        kit::child<QComboBox>(dlg, "m_pAllDataCmbBox")->setCurrentIndex(1);
        dlg.show();
        QVERIFY(dlg.wantsWholeRecord());
        dlg.accept();
        QVERIFY(!dlg.wantsWholeRecord());
        QCOMPARE(ini.get("AdcDistrib/XDim").toInt(), 1);
        QCOMPARE(ini.get("AdcDistrib/AllData").toInt(), 1);
        QCOMPARE(ini.get("AdcDistrib/DataType").toInt(), 0);
    }

    // --- device table ------------------------------------------------------------------

    // Rows = channels the record has and the block holds; an unparsed descriptor's claim of
    // 0xFFFFFFFF channels gives none.
    void deviceRows()
    {
        DevParamsDlg dlg;
        auto *table = kit::child<QTableWidget>(dlg, "m_pParamsTable");
        const DeviceValues v = {70, 60, -70, 59, 9.5};
        dlg.followBlock(tableBlock({v, v, v}, 2));
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("1"));
        QCOMPARE(table->item(1, 3)->text(), QStringLiteral("-70.00"));
        QCOMPARE(table->item(1, 5)->text(), QStringLiteral("9.50"));
        dlg.followBlock(tableBlock({v, v}, 8));
        QCOMPARE(table->rowCount(), 3);
        dlg.followBlock(tableBlock({v}, FileParams::UnknownChannelCount));
        QCOMPARE(table->rowCount(), 1);
        // The same count keeps the items.
        dlg.followBlock(tableBlock({v, v}, 2));
        QTableWidgetItem *kept = table->item(2, 2);
        dlg.followBlock(tableBlock({v, v}, 2));
        QCOMPARE(table->item(2, 2), kept);
    }

    // Rows are named by device channel numbers in the table and its export: with channels 3
    // and 5, the failing ENB of channel 5 is found under 5.
    void deviceRowsByChannelNumber()
    {
        DevParamsDlg dlg;
        auto *table = kit::child<QTableWidget>(dlg, "m_pParamsTable");
        auto b = std::make_shared<BlockSnapshot>();
        b->fileParams.front().channelCount = 2;
        b->records = {record(3, {70, 60, -70, 59, 9.5}), record(5, {70, 60, -70, 59, -1})};
        dlg.followBlock({b});
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("3"));
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("5"));
        QCOMPARE(cellColour(table, 2, 5), Magenta);
        QCOMPARE(dlg.exportTable().rows.at(2).at(0).display(), QStringLiteral("5"));
    }

    // With every criterion 0: THD -60 passes and +1 fails; ENB -0.5 fails; the first failure
    // in reading order is grey in "Выделять первый", the last in "Выделять последний".
    void deviceColours()
    {
        DevParamsDlg dlg;
        auto *table = kit::child<QTableWidget>(dlg, "m_pParamsTable");
        auto *mode = kit::child<QComboBox>(dlg, "m_pSelModeCmbBox");
        dlg.followBlock(tableBlock({{10, 70, -60, 10, -0.5}, {10, 70, 1, 10, 3}}, 2));
        QCOMPARE(cellColour(table, 1, 3), White);
        QCOMPARE(cellColour(table, 1, 2), White);
        QCOMPARE(cellColour(table, 1, 5), Magenta);
        QCOMPARE(cellColour(table, 2, 3), Magenta);
        mode->setCurrentIndex(1);
        QCOMPARE(cellColour(table, 1, 5), Grey);
        QCOMPARE(cellColour(table, 2, 3), Magenta);
        mode->setCurrentIndex(2);
        QCOMPARE(cellColour(table, 1, 5), Magenta);
        QCOMPARE(cellColour(table, 2, 3), Grey);
        // A criterion typed into row 0 re-judges the table: THD passes at or below -70 only.
        table->item(0, 3)->setText("-70");
        QCOMPARE(cellColour(table, 1, 3), Magenta);
    }

    // Criteria are numbers: the editor's validator refuses text, and the old value stays.
    void criteriaEditing()
    {
        DevParamsDlg dlg;
        auto *table = kit::child<QTableWidget>(dlg, "m_pParamsTable");
        dlg.followBlock(tableBlock({{1, 2, 3, 4, 5}}, 1));
        dlg.show();
        dlg.slotDoubleClicked(1, 2);
        QVERIFY(!openEditor(table));
        dlg.slotDoubleClicked(0, 2);
        auto *editor = openEditor(table);
        QVERIFY(editor);
        QTest::keyClicks(editor, "abc");
        QCOMPARE(editor->text(), QStringLiteral("0")); // letters are not taken
        // What the editor hands back when it closes: text past the validator (a paste) is
        // refused and the old value stays; a number is written with six significant digits.
        QAbstractItemDelegate *delegate = table->itemDelegateForRow(0);
        const QModelIndex cell = table->model()->index(0, 2);
        editor->setText("abc");
        delegate->setModelData(editor, table->model(), cell);
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("0"));
        editor->setText("72.5000001");
        delegate->setModelData(editor, table->model(), cell);
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("72.5"));
        QCOMPARE(dlg.settings().criteria[FigureSnr], 72.5);
    }

    // The button shows what acquisition does, not what a click asked for.
    void startButtonFollowsAcquisition()
    {
        DevParamsDlg dlg;
        auto *start = kit::child<QPushButton>(dlg, "m_pStartButton");
        QList<bool> runs;
        dlg.setRequests({[&](bool run) { runs << run; }, {}, {}});
        QCOMPARE(start->text(), QString::fromUtf8("Старт"));
        start->click();
        QCOMPARE(runs, QList<bool>{true});
        QCOMPARE(start->text(), QString::fromUtf8("Старт"));
        dlg.setRunning(true);
        QCOMPARE(start->text(), QString::fromUtf8("Стоп"));
        QCOMPARE(start->styleSheet(), QStringLiteral("background-color: red"));
        start->click(); // running: the click asks for the stop
        QCOMPARE(runs, (QList<bool>{true, false}));
        dlg.setRunning(false);
        QCOMPARE(start->styleSheet(), QStringLiteral("background-color: #00FF00"));
    }

    void deviceSettingsRoundTrip()
    {
        kit::ScratchIni ini;
        ini.set("DevParams/SnrCriterion", "65.5");
        ini.set("DevParams/ThdCriterion", "fast");
        ini.set("DevParams/SelectionMode", 2);
        DevParamsDlg dlg;
        dlg.setConfigPath(ini.path());
        auto *table = kit::child<QTableWidget>(dlg, "m_pParamsTable");
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("65.5"));
        QCOMPARE(table->item(0, 3)->text(), QStringLiteral("0"));
        QCOMPARE(table->item(0, 2)->font().bold(), true);
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pSelModeCmbBox")->currentIndex(), 2);
        table->item(0, 5)->setText("11.25");
        dlg.show();
        // Escape closes without a close event; the criteria are kept all the same.
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(ini.get("DevParams/EnbCriterion").toDouble(), 11.25);
        QCOMPARE(ini.get("DevParams/SnrCriterion").toDouble(), 65.5);
    }

    // The export: title, headers, the criteria and one row per channel with two decimals, its
    // full-scale figures and worst non-harmonic spur after the judged ones, in CSV text and in
    // a workbook read back from its package.
    void exportReadBack()
    {
        DevParamsDlg dlg;
        auto b = std::make_shared<BlockSnapshot>();
        b->fileParams.front().channelCount = 1;
        b->records = {record(0, {71.234, 60, -70.5, 59, 9.876})};
        b->records[0].datasheet = {66.02, 65.02, -151.25, -92.5, -98.52, 123456.78};
        dlg.followBlock({b});
        kit::child<QTableWidget>(dlg, "m_pParamsTable")->item(0, 2)->setText("65");
        QTemporaryDir dir;
        const QString csv = dir.filePath("t.csv");
        QCOMPARE(writeTable(csv, dlg.exportTable()), QString());
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll().mid(3)).split("\r\n");
        QCOMPARE(lines.value(0), QString::fromUtf8("Параметры качества преобразования АЦП"));
        QCOMPARE(lines.value(1), QString::fromUtf8("Канал,SFDR,SNR,THD,THD+N,ENB,SNR (дБFS),"
                                                   "SINAD (дБFS),Шум (дБFS/Гц),Негарм. помеха (дБc),"
                                                   "Негарм. помеха (дБFS),Негарм. помеха (Гц)"));
        QCOMPARE(lines.value(2), QStringLiteral(",0.00,65.00,0.00,0.00,0.00"));
        QCOMPARE(lines.value(3), QStringLiteral("0,71.23,60.00,-70.50,59.00,9.88,66.02,65.02,"
                                                "-151.25,-92.50,-98.52,123456.8"));

        const QString xlsx = dir.filePath("t.xlsx");
        QCOMPARE(writeTable(xlsx, dlg.exportTable()), QString());
        QFile w(xlsx);
        QVERIFY(w.open(QIODevice::ReadOnly));
        const QByteArray zip = w.readAll();
        const QByteArray strings = kit::zipEntry(zip, "xl/sharedStrings.xml");
        const QByteArray sheet = kit::zipEntry(zip, "xl/worksheets/sheet1.xml");
        QVERIFY(QString::fromUtf8(strings).contains(QString::fromUtf8("Параметры качества преобразования АЦП")));
        QVERIFY(strings.contains("THD+N"));
        // Values keep their digits; the cells show two decimals.
        QVERIFY2(sheet.contains("<v>71.23") && sheet.contains("<v>-70.5</v>"), sheet.constData());
        QVERIFY(kit::zipEntry(zip, "xl/styles.xml").contains("0.00"));
    }

    // --- intermodulation ---------------------------------------------------------------

    void imdFormatting()
    {
        QCOMPARE(IntermodDistDlg::imdText(-60.5), QStringLiteral("-60.5"));
        QCOMPARE(IntermodDistDlg::imdText(-60.0), QStringLiteral("-60"));
        QCOMPARE(IntermodDistDlg::imdText(-60.004), QStringLiteral("-60"));
        QCOMPARE(IntermodDistDlg::imdText(-41.237), QStringLiteral("-41.24"));
        QCOMPARE(IntermodDistDlg::imdText(NAN), QString());
        QCOMPARE(IntermodDistDlg::imdText(-INFINITY), QString());
    }

    // Tones at bins 100 and 110, products 40 dB below them; a block without tone power, with
    // tones closer than the window's 5 bins, or without the current channel, leaves blank
    // fields and says why. The dialog is wide enough for its whole title.
    void imdFromBlock()
    {
        IntermodDistDlg dlg;
        dlg.show();
        QVERIFY(dlg.width() > dlg.fontMetrics().horizontalAdvance(dlg.windowTitle()) + 100);
        for (QLabel *label : dlg.findChildren<QLabel *>())
            QVERIFY(label->width() >= label->sizeHint().width());
        std::vector<double> s(512, 0.0);
        s[100] = s[110] = 1.0;
        s[120] = s[90] = 1e-4;
        s[10] = 1e-6;
        auto block = std::make_shared<BlockSnapshot>();
        BlockSnapshot &b = *block;
        b.fileParams.front().channelNumbers = {0};
        b.fileParams.front().channelCount = 1;
        b.channels = ChannelMap(b.fileParams);
        kit::setSpectra(b, {s});
        dlg.followBlock({block});
        QCOMPARE(text(dlg, "m_pImd3Edit"), QStringLiteral("-40"));
        QCOMPARE(text(dlg, "m_pImd2Edit"), QStringLiteral("-60"));
        auto *reason = kit::child<QLabel>(dlg, "m_pReasonLabel");
        QVERIFY(reason->isHidden());
        kit::setSpectra(b, {std::vector<double>(512, 0.0)});
        dlg.followBlock({block});
        QCOMPARE(text(dlg, "m_pImd3Edit"), QString());
        QVERIFY(!reason->isHidden());
        s[110] = 0.0;
        s[104] = 1.0;
        kit::setSpectra(b, {s});
        b.mainLobeWidth = 5;
        dlg.followBlock({block});
        QCOMPARE(text(dlg, "m_pImd3Edit"), QString());
        const QString twice = QString::fromUtf8("нужен БПФ от 2048");
        QVERIFY2(reason->text().contains(twice), qUtf8Printable(reason->text()));
        QVERIFY(kit::child<QLineEdit>(dlg, "m_pImd3Edit")->toolTip().contains(twice));
        s[110] = 1.0;
        s[104] = 0.0;
        kit::setSpectra(b, {s});
        MeasurementContext absent{block};
        absent.channel = 7;
        dlg.followBlock(absent);
        QCOMPARE(text(dlg, "m_pImd2Edit"), QString());
        QVERIFY2(reason->text().contains(QString::fromUtf8("канала 7 нет")), qUtf8Printable(reason->text()));
    }
};

QTEST_MAIN(MeasurementDialogsTest)
#include "test_measurement_dialogs.moc"
