// The panel base seen through the oscilloscope panel: marker read-outs, current channel,
// mouse handling of the plot, zoom and undo bookkeeping of the choosers, the position slider,
// the scale chooser's arrows and the legend items.
#include "PanelTestKit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>

#include <qwt_scale_div.h>

#include "panels/ComboBoxInc.h"
#include "panels/LegendItemWidget.h"
#include "panels/OrmaOscPanel.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaSpectrPanel.h"
#include "panels/Slider.h"
#include "plot/QwtPlotCurveEx.h"

namespace {

const int kLength = 4096;
const QColor kTrace(255, 255, 0);

// A slow sine of 1000 codes amplitude, one period per 1024 samples.
struct Wave {
    std::vector<double> x, y;
    Wave()
    {
        for (int i = 0; i < kLength; ++i) {
            x.push_back(i);
            y.push_back(std::round(1000 * std::sin(2 * M_PI * i / 1024)));
        }
    }
};

struct Bench {
    Wave wave;
    OrmaOscPanel panel;
    Bench()
    {
        panel.resize(900, 420);
        panel.show();
        panel.plot()->setCurveSamples(0, kTrace, wave.x.data(), wave.y.data(), kLength);
        panel.setRecordLength(kLength);
        panel.slotSetCurrentChan(0);
        panel.slotReplot();
        kit::settle();
    }
    QWidget *canvas() { return panel.plot()->canvas(); }
    QPoint pixelOfSample(int i) { return kit::pixelOf(*panel.plot(), i, wave.y[size_t(i)]); }
    void releaseOn(QWidget *w, Qt::MouseButton button = Qt::LeftButton)
    {
        kit::mouse(w, QEvent::MouseButtonRelease, QPoint(3, 3), button);
    }
    double yLower() { return panel.plot()->axisScaleDiv(QwtPlot::yLeft).lowerBound(); }
    double yUpper() { return panel.plot()->axisScaleDiv(QwtPlot::yLeft).upperBound(); }
};

} // namespace

class PanelBaseTest : public QObject
{
    Q_OBJECT

private slots:
    // Read-outs are as wide as their widest figure at the font in use: "65536" cycles and a
    // "-200.00" dB figure show whole, at the default font and at a larger one, in a panel as wide
    // as the window's.
    void readoutsFitTheirFigures()
    {
        OrmaOscPanel panel;
        panel.resize(1280, 400);
        panel.show();
        for (int points : {0, 14}) {
            if (points)
                panel.setFont(QFont(panel.font().family(), points));
            QTest::qWait(20);
            for (const auto &[edit, text] : {std::pair<QLineEdit *, const char *>{panel.findChild<QLineEdit *>("m_pCyclesEdit"), "65536"},
                                             {panel.findChild<QLineEdit *>("m_pSnrEdit"), "-200.00"}}) {
                const QFontMetrics fm(edit->font());
                QVERIFY2(edit->width() >= fm.horizontalAdvance(QString::fromLatin1(text)) + 4,
                         qPrintable(QString("%1 px for %2").arg(edit->width()).arg(text)));
            }
        }
    }

    // The spectrum panel's dynamic figures and the oscilloscope's Min/Max share the top row
    // where it has room for every field at full width, and take their own row under it in a
    // narrower panel instead of being cut.
    void groupsWrapRatherThanCut()
    {
        OrmaSpectrPanel spectr;
        OrmaOscPanel osc;
        const auto check = [](OrmaPanel &panel, QWidget *group, std::vector<QLineEdit *> fields, int wide,
                              int narrow) {
            panel.show();
            for (int width : {wide, narrow, wide}) {
                panel.resize(width, 500);
                QTest::qWait(30);
                for (QLineEdit *e : fields)
                    QVERIFY2(e->width() >= e->sizeHint().width(),
                             qPrintable(QString("%1 at %2 px").arg(e->objectName()).arg(width)));
                const bool inTopRow = group->geometry().center().y() < panel.findChild<QLineEdit *>("m_pChanEdit")->geometry().bottom();
                QCOMPARE(inTopRow, width == wide);
            }
        };
        check(spectr, spectr.findChild<QFrame *>("m_pDynParamFrame"),
              {spectr.findChild<QLineEdit *>("m_pSfdrEdit"), spectr.findChild<QLineEdit *>("m_pSnrEdit"), spectr.findChild<QLineEdit *>("m_pThdEdit"), spectr.findChild<QLineEdit *>("m_pThdnEdit"), spectr.findChild<QLineEdit *>("m_pChanEdit"),
               spectr.findChild<QLineEdit *>("m_pMarkerXEdit")},
              1600, 800);
        check(osc, osc.findChild<QWidget *>("m_pMinMaxWidget"),
              {osc.findChild<QLineEdit *>("m_pMinEdit"), osc.findChild<QLineEdit *>("m_pMaxEdit"), osc.findChild<QLineEdit *>("m_pCyclesEdit"), osc.findChild<QLineEdit *>("m_pChanEdit"), osc.findChild<QLineEdit *>("m_pMarkerXEdit"),
               osc.findChild<QLineEdit *>("m_pMarkerYEdit")},
              1600, 1000);
    }

    void markerReadoutsShowPositionsOrDistances()
    {
        Bench b;
        QVERIFY(QTest::qWaitForWindowExposed(&b.panel));
        // 2 MHz and microseconds: a sample is 0.5 us; millivolts: a code is 5000/2048 mV.
        b.panel.setSampleRate(2e6);
        b.panel.setDimensions(DimMicroseconds, DimMillivolts);
        b.panel.slotReplot();
        QSignalSpy moved(&b.panel, &OrmaPanel::signalMarkerPosChange);

        b.panel.enableRedMarkerTool(true);
        kit::click(b.canvas(), b.pixelOfSample(100));
        b.panel.enableRedMarkerTool(false);
        b.panel.enableBlueMarkerTool(true);
        kit::click(b.canvas(), b.pixelOfSample(400));
        QVERIFY(b.panel.plot()->isRedMarkerShown() && b.panel.plot()->isBlueMarkerShown());
        const QwtDoublePoint red = b.panel.plot()->markerValue(false);
        const QwtDoublePoint blue = b.panel.plot()->markerValue(true);
        QVERIFY(std::fabs(red.x() - 100) <= 3 && std::fabs(blue.x() - 400) <= 3);
        QCOMPARE(moved.count(), 2);
        QCOMPARE(moved.last().at(0).toDouble(), blue.x());

        const double mvPerCode = 5000.0 / 2048;
        const auto reads = [](QLineEdit *e) { return e->text().toDouble(); };
        QVERIFY(b.panel.isBlueCurrent());
        QCOMPARE(reads(b.panel.findChild<QLineEdit *>("m_pMarkerXEdit")), blue.x() * 0.5);
        QVERIFY(std::fabs(reads(b.panel.findChild<QLineEdit *>("m_pMarkerYEdit")) - blue.y() * mvPerCode) < 1e-3);

        b.releaseOn(b.panel.findChild<QLabel *>("m_pMarkerXLabel"));
        QCOMPARE(b.panel.findChild<QLabel *>("m_pMarkerXLabel")->text(), QStringLiteral("dx="));
        QCOMPARE(reads(b.panel.findChild<QLineEdit *>("m_pMarkerXEdit")), (blue.x() - red.x()) * 0.5);
        b.releaseOn(b.panel.findChild<QLabel *>("m_pMarkerYLabel"));
        QCOMPARE(b.panel.findChild<QLabel *>("m_pMarkerYLabel")->text(), QStringLiteral("dy="));
        QVERIFY(std::fabs(reads(b.panel.findChild<QLineEdit *>("m_pMarkerYEdit")) - std::fabs(blue.y() - red.y()) * mvPerCode) < 1e-3);

        // Only the left button switches; the others are swallowed.
        b.releaseOn(b.panel.findChild<QLabel *>("m_pMarkerXLabel"), Qt::RightButton);
        QCOMPARE(b.panel.findChild<QLabel *>("m_pMarkerXLabel")->text(), QStringLiteral("dx="));
        b.releaseOn(b.panel.findChild<QLabel *>("m_pMarkerXLabel"));
        QCOMPARE(b.panel.findChild<QLabel *>("m_pMarkerXLabel")->text(), QStringLiteral("x="));
        QCOMPARE(reads(b.panel.findChild<QLineEdit *>("m_pMarkerXEdit")), blue.x() * 0.5);

        // A hidden marker counts as position zero.
        kit::click(b.canvas(), b.pixelOfSample(400), Qt::RightButton);
        QVERIFY(!b.panel.plot()->isBlueMarkerShown());
        QCOMPARE(b.panel.findChild<QLineEdit *>("m_pMarkerXEdit")->text(), QStringLiteral("0"));
    }

    void currentChannelChangesAreReportedOnce()
    {
        OrmaOscPanel panel;
        LegendItemWidget one, two;
        one.setChannel(1);
        two.setChannel(2);
        panel.addLegendItem(1, &one);
        panel.addLegendItem(2, &two);
        QSignalSpy changed(&panel, &OrmaPanel::signalCurrentChanChange);

        panel.slotSetCurrentChan(2);
        QCOMPARE(changed.count(), 1);
        QVERIFY(two.isCurrent());
        QCOMPARE(panel.findChild<QLineEdit *>("m_pChanEdit")->text(), QStringLiteral("2"));
        QCOMPARE(panel.plot()->currentChannel(), 2);
        panel.slotSetCurrentChan(2);
        QCOMPARE(changed.count(), 1);

        panel.slotSetCurrentChan(1);
        QVERIFY(one.isCurrent() && !two.isCurrent());
        QCOMPARE(changed.count(), 2);
        panel.slotSetCurrentChan(-1);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(panel.currentChannel(), -1);
        QVERIFY(!one.isCurrent());

        panel.removeLegendItem(&one);
        QCOMPARE(panel.legendItems().keys(), QList<int>({2}));
    }

    void plotClicksActivateAndRightReleaseAsksForSettings()
    {
        Bench b;
        QVERIFY(QTest::qWaitForWindowExposed(&b.panel));
        QSignalSpy active(&b.panel, &OrmaPanel::signalActive);
        QSignalSpy right(&b.panel, &OrmaPanel::signalRightButton);
        QVERIFY(!b.panel.isActive());
        kit::click(b.canvas(), QPoint(50, 50));
        QCOMPARE(active.count(), 1);
        QVERIFY(b.panel.isActive());
        QCOMPARE(right.count(), 0);
        kit::click(b.canvas(), QPoint(50, 50), Qt::RightButton);
        QCOMPARE(right.count(), 1);
        b.panel.setActive(false);
        QVERIFY(!b.panel.isActive());
    }

    void rubberBandZoomClearsItsChooserAndUndoReturns()
    {
        Bench b;
        QVERIFY(QTest::qWaitForWindowExposed(&b.panel));
        const int yIndex = b.panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")->currentIndex();
        b.panel.setHZoomMode(true);
        QSignalSpy moved(&b.panel, &OrmaPanel::signalMoveCanvas);
        const QPoint from = b.pixelOfSample(200), to = b.pixelOfSample(500);
        kit::mouse(b.canvas(), QEvent::MouseButtonPress, from, Qt::LeftButton);
        kit::mouse(b.canvas(), QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        kit::mouse(b.canvas(), QEvent::MouseMove, to, Qt::LeftButton);
        kit::mouse(b.canvas(), QEvent::MouseButtonRelease, to, Qt::LeftButton);
        QVERIFY(std::fabs(b.panel.viewStart() - 200) <= 3 && std::fabs(b.panel.viewEnd() - 500) <= 3);
        QCOMPARE(b.panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentIndex(), -1);
        QCOMPARE(b.panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")->currentIndex(), yIndex);
        QCOMPARE(b.panel.slider()->value(), b.panel.viewStart());
        QVERIFY(moved.count() >= 1);

        moved.clear();
        b.panel.findChild<QToolButton *>("m_pUndoButton")->click();
        QCOMPARE(b.panel.viewStart(), 0.0);
        QCOMPARE(b.panel.viewEnd(), 1023.0);
        QCOMPARE(b.panel.slider()->value(), 0.0);
        QCOMPARE(moved.count(), 1);
    }

    void keyboardZoomStaysInsideTheRecord()
    {
        Bench b;
        b.panel.zoomX(+1);
        QCOMPARE(b.panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentIndex(), -1);
        QCOMPARE(b.panel.viewStart(), 1023 * 0.25);
        QCOMPARE(b.panel.viewEnd(), 1023 * 0.75);
        b.panel.zoomX(-1);
        b.panel.zoomX(-1);
        QCOMPARE(b.panel.viewStart(), 0.0);
        for (int i = 0; i < 6; ++i)
            b.panel.zoomX(-1);
        QCOMPARE(b.panel.viewEnd(), b.panel.slider()->maximum());
        const double step = b.panel.plot()->axisStepSize(QwtPlot::xBottom);
        b.panel.zoomX(-1);
        QCOMPARE(b.panel.plot()->axisStepSize(QwtPlot::xBottom), step);
    }

    void showAllKeepsTheAutoScaledRange()
    {
        Bench b;
        b.panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")->setCurrentIndex(3); // ±256 codes
        QCOMPARE(b.yUpper(), 256.0);
        b.panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->setCurrentIndex(9); // 256 samples
        b.panel.showAll();
        // The widest window gives way to the 4K that the record holds.
        QCOMPARE(b.panel.findChild<ComboBoxInc *>("m_pScaleXCmbBox")->currentIndex(), 5);
        QCOMPARE(b.panel.viewEnd() - b.panel.viewStart() + 1, double(kLength));
        QCOMPARE(b.panel.findChild<ComboBoxInc *>("m_pScaleYCmbBox")->currentIndex(), -1);
        QCOMPARE(b.yLower(), -1000.0);
        QCOMPARE(b.yUpper(), 1000.0);
    }

    void sliderStepsByWindowsAndStopsAtTheLastOne()
    {
        OrmaSlider s;
        s.setRange(0, 10000, 1250);
        s.slotSetStep(1000);
        s.setValue(8500);
        s.incButton()->click();
        QCOMPARE(s.value(), 9000.0);
        s.incButton()->click();
        QCOMPARE(s.value(), 9000.0);
        s.setValue(1500);
        s.decButton()->click();
        s.decButton()->click();
        QCOMPARE(s.value(), 0.0);

        // Held down, the button repeats until the last window.
        QSignalSpy steps(&s, &OrmaSlider::signalValueChanged);
        s.resize(600, 60);
        s.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        QTest::mousePress(s.incButton(), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return s.value() == 9000.0; }, 5000));
        QTest::qWait(450);
        QTest::mouseRelease(s.incButton(), Qt::LeftButton);
        QCOMPARE(s.value(), 9000.0);
        QVERIFY(steps.count() >= 5);
        QCOMPARE(s.valueEdit()->text(), QStringLiteral("9000"));
    }

    void sliderPressAndTypedPositionsStayInsideTheRecord()
    {
        OrmaSlider s;
        s.resize(600, 60);
        s.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.setRange(0, 4096, 512);
        s.slotSetStep(1024);
        QSignalSpy pressed(&s, &OrmaSlider::signalMousePress);
        QSignalSpy released(&s, &OrmaSlider::signalMouseRelease);
        Slider *slider = s.slider();
        const QPoint end(slider->transform(4096) - 1, slider->troughRect().center().y());
        kit::click(slider, end);
        QCOMPARE(s.value(), 4096.0 - 1024);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(released.count(), 1);
        const QPoint middle(slider->transform(1000.3), slider->troughRect().center().y());
        QCOMPARE(slider->valueAt(middle), std::floor(slider->valueAt(middle)));

        // Positions are typed as the edit shows them: in microseconds at 2 MHz.
        TimeTransforms micro;
        micro.setType(DimMicroseconds);
        micro.setSampleRate(2e6);
        s.setTransforms(&micro);
        s.valueEdit()->setText(QStringLiteral("250"));
        QTest::keyClick(s.valueEdit(), Qt::Key_Return);
        QCOMPARE(s.value(), 500.0);
        // Silent moves write the edit in the same unit.
        s.setValue(1000, true);
        QCOMPARE(s.valueEdit()->text(), QStringLiteral("500"));
    }

    void chooserArrowsWalkTheList()
    {
        ComboBoxInc box;
        box.setItems({"a", "b", "c"});
        box.setCurrentIndex(1);
        QSignalSpy changed(&box, &ComboBoxInc::currentIndexChanged);
        auto *spin = box.findChild<QSpinBox *>();
        spin->stepDown();
        QCOMPARE(box.currentIndex(), 2);
        spin->stepDown();
        QCOMPARE(box.currentIndex(), 2);
        spin->stepUp();
        spin->stepUp();
        spin->stepUp();
        QCOMPARE(box.currentIndex(), 0);
        QCOMPARE(spin->value(), 1);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.last().at(0).toString(), QStringLiteral("a"));
        box.blockSignals(true);
        box.setCurrentIndex(2);
        box.blockSignals(false);
        QCOMPARE(changed.count(), 3);
    }

    void legendItemsSelectHideAndShow()
    {
        Bench b;
        LegendItemWidget item;
        item.setChannel(0);
        QCOMPARE(item.channels(), QList<int>({0}));
        b.panel.addLegendItem(0, &item);
        QSignalSpy select(&item, &LegendItemWidget::signalSelect);
        QSignalSpy recoloured(&item, &LegendItemWidget::signalColorChange);
        item.setColor(Qt::red);
        item.setColor(Qt::red);
        QCOMPARE(recoloured.count(), 1);
        QCOMPARE(item.color(), QColor(Qt::red));

        QTest::mouseDClick(item.m_pFrame, Qt::LeftButton);
        QVERIFY(!item.isChannelVisible());
        QVERIFY(!b.panel.plot()->curve(0)->isVisible());
        // A hidden channel cannot be made current.
        QTest::mousePress(item.m_pComboBox, Qt::LeftButton);
        QCOMPARE(select.count(), 0);
        QTest::mouseDClick(item.m_pFrame, Qt::LeftButton);
        QVERIFY(item.isChannelVisible());
        QVERIFY(b.panel.plot()->curve(0)->isVisible());

        QTest::mousePress(item.m_pComboBox, Qt::LeftButton);
        QCOMPARE(select.count(), 1);
        QCOMPARE(select.last().at(0).toInt(), 0);

        item.m_pComboBox->addItem(QStringLiteral(" 5"));
        QCOMPARE(item.channels(), QList<int>({0, 5}));
        item.setCurrent(true);
        QTest::mousePress(item.m_pComboBox, Qt::LeftButton);
        QCOMPARE(select.count(), 1);
        item.m_pComboBox->hidePopup();
    }

    void measurementFields()
    {
        OrmaOscPanel panel;
        panel.setDynParams(71.234, 60.0, 62.5, -68.126, 10.04);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pSfdrEdit")->text(), QStringLiteral("71.23"));
        QCOMPARE(panel.findChild<QLineEdit *>("m_pThdnEdit")->text(), QStringLiteral("60.00"));
        QCOMPARE(panel.findChild<QLineEdit *>("m_pSnrEdit")->text(), QStringLiteral("62.50"));
        QCOMPARE(panel.findChild<QLineEdit *>("m_pThdEdit")->text(), QStringLiteral("-68.13"));
        QCOMPARE(panel.findChild<QLineEdit *>("m_pEnbEdit")->text(), QStringLiteral("10.04"));
        // The full-scale figures as tool tips; no range, no full scale.
        panel.setDatasheetFigures({68.5, 67.25, -148.126, -91.5, -97.5, 123456.78});
        QVERIFY(panel.findChild<QLineEdit *>("m_pSnrEdit")->toolTip().contains("68.50 дБFS"));
        QVERIFY(panel.findChild<QLineEdit *>("m_pSnrEdit")->toolTip().contains("-148.13 дБFS/Гц"));
        QVERIFY(panel.findChild<QLineEdit *>("m_pThdnEdit")->toolTip().contains("67.25 дБFS"));
        QVERIFY(panel.findChild<QLineEdit *>("m_pSfdrEdit")->toolTip().contains(
            "-91.50 дБc (-97.50 дБFS) на 123456.8 Гц"));
        panel.setDatasheetFigures({qQNaN(), qQNaN(), qQNaN(), -91.5, qQNaN(), 1000});
        QVERIFY(panel.findChild<QLineEdit *>("m_pSnrEdit")->toolTip().contains("— дБFS"));

        panel.setPowerValue(123456.789);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pPowerEdit")->text(), QStringLiteral("123457"));
        panel.setPowerValue(-12.3456);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pPowerEdit")->text(), QStringLiteral("-12.346"));
        panel.setPowerValue(12000000.0);
        QCOMPARE(panel.findChild<QLineEdit *>("m_pPowerEdit")->text(), QStringLiteral("1.2e+07"));
        QCOMPARE(panel.findChild<QLineEdit *>("m_pPowerEdit")->cursorPosition(), 0);
    }
};

QTEST_MAIN(PanelBaseTest)
#include "test_panel_base.moc"
