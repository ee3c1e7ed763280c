// The two I/Q views on blocks of known complex signals: what their curves carry, their axes,
// titles, marker read-outs in every unit and coordinate system, their tools and their keys.
#include "dialogs/AmplPhaseDlg.h"
#include "dialogs/VectorDiagramDlg.h"
#include "dialogs/VectorTrajectory.h"

#include "BlockKit.h"
#include "DialogTestKit.h"
#include "panels/OrmaTitle.h"
#include "plot/OrmaPanner.h"
#include "plot/OrmaPlot.h"
#include "plot/QwtPlotCurveEx.h"

#include <qwt_scale_widget.h>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace {

constexpr double Rate = 1e6;

// I/Q pairs of channels 0..: a complex tone of `hz` on every pair.
BlockSnapshotPtr complexTone(double hz, double amplitude = 1000, int channels = 2, int bits = 16)
{
    const double w = 2 * M_PI * hz / Rate;
    std::vector<blockkit::Channel> list;
    for (int c = 0; c < channels; ++c) {
        if (c % 2 == 0)
            list.push_back([=](double n) { return amplitude * std::cos(w * n); });
        else
            list.push_back([=](double n) { return amplitude * std::sin(w * n); });
    }
    return blockkit::block(list, 4096, Rate, 0, 1000, true, bits);
}

ScopeWindow window(double first, double last, int channel = 0)
{
    ScopeWindow w;
    w.firstSample = first;
    w.lastSample = last;
    w.width = int(last - first + 1);
    w.currentChannel = channel;
    return w;
}

QString text(QWidget &dlg, const char *name) { return kit::child<QLineEdit>(dlg, name)->text(); }

// The y axis's major ticks, `unitsPerValue` units apiece, fall on the multiples of a step of
// 1, 2 or 5 times a power of ten.
bool roundTicks(const QwtPlot *plot, double unitsPerValue = 1.0)
{
    const QList<double> ticks = plot->axisScaleDiv(QwtPlot::yLeft).ticks(QwtScaleDiv::MajorTick);
    if (ticks.size() < 3)
        return false;
    const double step = (ticks.at(1) - ticks.at(0)) * unitsPerValue;
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
    if (std::abs(mantissa - 1) > 1e-9 && std::abs(mantissa - 2) > 1e-9 && std::abs(mantissa - 5) > 1e-9)
        return false;
    for (double tick : ticks) {
        const double k = tick * unitsPerValue / step;
        if (std::abs(k - std::round(k)) > 1e-6)
            return false;
    }
    return true;
}

// The title of a vertical axis as drawn: its outer strip, cut to the dark pixels.
QImage ink(QWidget *widget)
{
    const QImage outer = widget->grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    QRect ink;
    for (int y = 0; y < outer.height(); ++y)
        for (int x = 0; x < outer.width(); ++x)
            if (qGray(outer.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    return outer.copy(ink);
}

// The texts of the dialog's labels.
QStringList labelTexts(QWidget &dlg)
{
    QStringList texts;
    for (const QLabel *label : dlg.findChildren<QLabel *>())
        texts << label->text().trimmed();
    return texts;
}

void moveMarker(OrmaPlot *plot, double x, double y)
{
    QwtDoublePoint p(x, y);
    emit plot->signalMoveMarker(p);
}

} // namespace

class IqDlgsTest : public QObject {
    Q_OBJECT
private slots:
    // A complex tone at +-0.2 fs: a flat envelope, frequency f below or above zero, the axis
    // taking it in, and a phase saw-tooth inside (-180, 180].
    void amplitudeFrequencyPhase()
    {
        AmplPhaseDlg dlg;
        QCOMPARE(dlg.windowTitle(), QString("Амплитуда, Частота и Фаза сигнала"));
        dlg.show();
        dlg.followBlock({complexTone(0.2 * Rate, 1000), window(2000, 2999)});
        QwtPlotCurveEx *upper = dlg.amplPlot()->curve(0), *phase = dlg.phasePlot()->curve(0);
        QCOMPARE(upper->sampleCount(), 1000);
        QCOMPARE(upper->xData()[0], 2000.0);
        for (int i = 0; i < 1000; ++i) {
            QVERIFY(std::abs(upper->yData()[i] - 1000) < 1e-9);
            QVERIFY(phase->yData()[i] > -180 && phase->yData()[i] <= 180);
        }
        QCOMPARE(kit::child<OrmaTitle>(dlg, "m_pAmplTitle")->title().text(), QString("Амплитуда(EMP)"));

        kit::child<QComboBox>(dlg, "m_pDataTypeCmbBox")->setCurrentText("Частота");
        QCOMPARE(kit::child<OrmaTitle>(dlg, "m_pAmplTitle")->title().text(), QString("Частота(Гц)"));
        upper = dlg.amplPlot()->curve(0);
        for (int i = 0; i < 1000; ++i)
            QVERIFY(std::abs(upper->yData()[i] - 0.2 * Rate) < 1e-6 * Rate);
        QCOMPARE(dlg.amplPlot()->axisScaleDiv(QwtPlot::yLeft).lowerBound(), 0.0);
        QVERIFY(dlg.amplPlot()->axisScaleDiv(QwtPlot::yLeft).upperBound() >= 0.2 * Rate + 1000);
        QVERIFY(dlg.amplPlot()->axisScaleDiv(QwtPlot::yLeft).upperBound() <= 0.3 * Rate);
        QVERIFY(roundTicks(dlg.amplPlot()));
        QCOMPARE(labelTexts(dlg).count("Частота ="), 2);
        QVERIFY(labelTexts(dlg).contains("dF ="));
        QVERIFY(!labelTexts(dlg).contains("dА ="));

        dlg.followBlock({complexTone(-0.2 * Rate, 1000), window(2000, 2999)});
        upper = dlg.amplPlot()->curve(0);
        QVERIFY(std::abs(upper->yData()[500] + 0.2 * Rate) < 1e-6 * Rate);
        kit::child<QComboBox>(dlg, "m_pDataTypeCmbBox")->setCurrentText("Амплитуда");
        QVERIFY(labelTexts(dlg).contains("dА ="));
        QVERIFY(!labelTexts(dlg).contains("dF ="));
        kit::child<QComboBox>(dlg, "m_pDataTypeCmbBox")->setCurrentText("Частота");
        QVERIFY(dlg.amplPlot()->axisScaleDiv(QwtPlot::yLeft).lowerBound() <= -0.2 * Rate);
        QVERIFY(roundTicks(dlg.amplPlot()));
    }

    // A pair without its Q channel shows nothing and reads no memory it does not have.
    void missingQuadrature()
    {
        AmplPhaseDlg ampl;
        VectorDiagramDlg vector;
        ampl.show();
        vector.show();
        const BlockSnapshotPtr three = complexTone(1e3, 1000, 3);
        ampl.followBlock({three, window(1000, 1999, 2)});
        vector.followBlock({three, window(1000, 1999, 2)});
        QCOMPARE(ampl.amplPlot()->curve(0)->sampleCount(), 0);
        QCOMPARE(vector.trajectory()->sampleCount(), size_t(0));
        vector.followBlock({three, window(1000, 1999, 1)}); // Q of pair 0: the pair is shown
        QCOMPARE(vector.trajectory()->sampleCount(), size_t(1000));
        ampl.followBlock({three, window(1000, 1999, 7)}); // no such channel
        QCOMPARE(ampl.amplPlot()->curve(0)->sampleCount(), 0);
    }

    // Read-outs of both plots' markers: times in the time unit, amplitudes in codes, phases in
    // degrees or radians, and the phase difference as the smaller angle.
    void amplPhaseReadouts()
    {
        AmplPhaseDlg dlg;
        dlg.show();
        FileParams p;
        p.sampleRate = Rate;
        p.bitRange = 16;
        dlg.setRecordParams(p);
        dlg.setTimeUnit(DimMicroseconds);
        QCOMPARE(kit::child<QLabel>(dlg, "m_pTimeLabel")->text(), QString("Время(мк") + QChar('c') + ")");
        kit::child<QRadioButton>(dlg, "m_pPhaseRedRadio")->setChecked(true);
        moveMarker(dlg.phasePlot(), 1500, 170);
        kit::child<QRadioButton>(dlg, "m_pPhaseBlueRadio")->setChecked(true);
        moveMarker(dlg.phasePlot(), 1750, -170);
        QCOMPARE(text(dlg, "m_pRedPhaseEdit"), QString("170"));
        QCOMPARE(text(dlg, "m_pBluePhaseEdit"), QString("-170"));
        QCOMPARE(text(dlg, "m_pDeltaPhaseEdit"), QString("20"));
        QCOMPARE(text(dlg, "m_pDeltaTimePhaseEdit"), QString("250"));
        kit::child<QComboBox>(dlg, "m_pAngleTypeCmbBox")->setCurrentText("Радианы");
        QCOMPARE(text(dlg, "m_pRedPhaseEdit"), QString("2.97"));
        QCOMPARE(text(dlg, "m_pDeltaPhaseEdit"), QString("0.35"));
        QCOMPARE(kit::child<OrmaTitle>(dlg, "m_pPhaseTitle")->title().text(), QString("Фаза(радианы)"));

        kit::child<QRadioButton>(dlg, "m_pAmplRedRadio")->setChecked(true);
        moveMarker(dlg.amplPlot(), 1000, 812.4);
        kit::child<QRadioButton>(dlg, "m_pAmplBlueRadio")->setChecked(true);
        moveMarker(dlg.amplPlot(), 1001, 1000);
        QCOMPARE(text(dlg, "m_pRedAmplEdit"), QString("812"));
        QCOMPARE(text(dlg, "m_pDeltaAmplEdit"), QString("188"));
        QCOMPARE(text(dlg, "m_pDeltaTimeAmplEdit"), QString("1"));
        // 2.5 V over 2^15 codes
        FileParams ranged = p;
        ranged.voltageRangeMv = 2500;
        dlg.setRecordParams(ranged);
        dlg.setAmplitudeUnit(DimMillivolts);
        QCOMPARE(kit::child<OrmaTitle>(dlg, "m_pAmplTitle")->title().text(), QString("Амплитуда(мВ)"));
        QCOMPARE(text(dlg, "m_pBlueAmplEdit"), QString("76.294"));
        // Full scale still, ticks round in millivolts rather than in codes.
        QCOMPARE(dlg.amplPlot()->axisScaleDiv(QwtPlot::yLeft).upperBound(), 32768.0);
        QVERIFY(roundTicks(dlg.amplPlot(), 2500.0 / 32768));
    }

    void amplPhaseKeys()
    {
        kit::ScratchIni ini;
        {
            AmplPhaseDlg dlg;
            dlg.setConfigPath(ini.path());
            dlg.loadSettings();
            QCOMPARE(dlg.settings().dataType, 0);
            dlg.show();
            kit::child<QComboBox>(dlg, "m_pDataTypeCmbBox")->setCurrentIndex(1);
            kit::child<QComboBox>(dlg, "m_pAngleTypeCmbBox")->setCurrentIndex(1);
            kit::child<QPushButton>(dlg, "m_pCloseButton")->click();
        }
        QCOMPARE(ini.get("AmplPhase/TypeData").toInt(), 1);
        QCOMPARE(ini.get("AmplPhase/AngleDim").toInt(), 1);
        AmplPhaseDlg again;
        again.setConfigPath(ini.path());
        again.loadSettings();
        QCOMPARE(kit::child<QComboBox>(again, "m_pDataTypeCmbBox")->currentText(), QString("Частота"));
        QCOMPARE(kit::child<QComboBox>(again, "m_pAngleTypeCmbBox")->currentText(), QString("Радианы"));
        ini.set("AmplPhase/TypeData", 7);
        again.loadSettings();
        QCOMPARE(again.settings().dataType, 0);
    }

    // A 14-bit record: the square from -8192 to 8192 in steps of 2048, and the panner held in it.
    void vectorFullScale()
    {
        VectorDiagramDlg dlg;
        QCOMPARE(dlg.windowTitle(), QString("Векторная диаграмма сигнала"));
        FileParams p;
        p.bitRange = 14;
        p.voltageRangeMv = 1000;
        dlg.setRecordParams(p);
        dlg.show();
        for (int axis : {QwtPlot::xBottom, QwtPlot::yLeft, QwtPlot::yRight}) {
            const QwtScaleDiv &div = dlg.plot()->axisScaleDiv(axis);
            QCOMPARE(div.lowerBound(), -8192.0);
            QCOMPARE(div.upperBound(), 8192.0);
            const QList<double> ticks = div.ticks(QwtScaleDiv::MajorTick);
            QVERIFY(ticks.contains(-6144.0) && ticks.contains(2048.0));
        }
        QCOMPARE(dlg.plot()->panner()->panLimits(), QRectF(-8192, -8192, 16384, 16384));
        QCOMPARE(dlg.plot()->axisTitle(QwtPlot::xBottom).text(), QString("I"));
        // Both "Q" stand upright beside the scales, drawn alike, none turned on its side by
        // the axes.
        QVERIFY(dlg.plot()->axisTitle(QwtPlot::yLeft).isEmpty() && dlg.plot()->axisTitle(QwtPlot::yRight).isEmpty());
        QLabel upright(QStringLiteral("Q"));
        upright.setFont(dlg.plot()->axisWidget(QwtPlot::xBottom)->title().font());
        const QImage left = ink(dlg.findChild<QLabel *>("m_pLeftQLabel"));
        QVERIFY(left.width() > 2 && left.height() > 2);
        QCOMPARE(ink(&upright), left);
        QCOMPARE(ink(dlg.findChild<QLabel *>("m_pRightQLabel")), left);

        dlg.show();
        const BlockSnapshotPtr b = complexTone(1e4, 5000, 2, 14);
        dlg.followBlock({b, window(1000, 4999)});
        QCOMPARE(dlg.trajectory()->sampleCount(), size_t(4000));
    }

    // I = 0, Q = 100 reads amplitude 100.00 and phase 90.00 degrees, 1.57 radians; in
    // rectangular coordinates of ADC codes 12.7 reads 12.00; the phase difference wraps.
    void vectorReadouts()
    {
        VectorDiagramDlg dlg;
        FileParams p;
        p.bitRange = 16;
        p.voltageRangeMv = 2500;
        dlg.setRecordParams(p);
        kit::child<QToolButton>(dlg, "m_pRMarkerButton")->setChecked(true);
        moveMarker(dlg.plot(), 0, 100);
        QCOMPARE(text(dlg, "m_pRedAmplEdit"), QString("100.00"));
        QCOMPARE(text(dlg, "m_pRedPhaseEdit"), QString("90.00"));
        kit::child<QComboBox>(dlg, "m_pGradeTypeCmbBox")->setCurrentIndex(1);
        QCOMPARE(text(dlg, "m_pRedPhaseEdit"), QString("1.57"));
        kit::child<QComboBox>(dlg, "m_pGradeTypeCmbBox")->setCurrentIndex(0);

        kit::child<QToolButton>(dlg, "m_pBMarkerButton")->setChecked(true);
        QVERIFY(!kit::child<QToolButton>(dlg, "m_pRMarkerButton")->isChecked());
        moveMarker(dlg.plot(), -100 * std::cos(10 * M_PI / 180), -100 * std::sin(10 * M_PI / 180));
        QCOMPARE(text(dlg, "m_pBluePhaseEdit"), QString("-170.00"));
        QCOMPARE(text(dlg, "m_pDeltaPhaseEdit"), QString("100.00"));
        kit::child<QToolButton>(dlg, "m_pRMarkerButton")->setChecked(true);
        moveMarker(dlg.plot(), -100 * std::cos(10 * M_PI / 180), 100 * std::sin(10 * M_PI / 180));
        QCOMPARE(text(dlg, "m_pDeltaPhaseEdit"), QString("20.00"));

        kit::child<QComboBox>(dlg, "m_pCoordinateTypeCmbBox")->setCurrentIndex(1);
        QCOMPARE(dlg.findChildren<QLabel *>().size() >= 6, true);
        moveMarker(dlg.plot(), 12.7, -3.9);
        QCOMPARE(text(dlg, "m_pRedAmplEdit"), QString("12.00"));
        QCOMPARE(text(dlg, "m_pRedPhaseEdit"), QString("-3.00"));
        dlg.setAmplitudeUnit(DimMillivolts); // 12.7 codes of 2.5 V / 2^15
        QCOMPARE(text(dlg, "m_pRedAmplEdit"), QString("0.97"));
        dlg.setAmplitudeUnit(DimCodes);
        dlg.slotChangeCoordinateType(0);
        QCOMPARE(kit::child<QComboBox>(dlg, "m_pCoordinateTypeCmbBox")->currentIndex(), 0);
    }

    // Switching a tool on switches the others off.
    void vectorTools()
    {
        VectorDiagramDlg dlg;
        auto *move = kit::child<QToolButton>(dlg, "m_pMoveButton");
        auto *zoom = kit::child<QToolButton>(dlg, "m_pZoomButton");
        auto *red = kit::child<QToolButton>(dlg, "m_pRMarkerButton");
        move->setChecked(true);
        red->setChecked(true);
        QVERIFY(!move->isChecked());
        zoom->setChecked(true);
        QVERIFY(!move->isChecked() && !red->isChecked());
        QVERIFY(!dlg.plot()->isRedMarkerEnabled());
        QVERIFY(dlg.plot()->zoomMode() > 0);
        QVERIFY(!move->icon().isNull() && !kit::child<QToolButton>(dlg, "m_pUndoAllButton")->icon().isNull());
    }

    // The trajectory's pixels: a segment covers every pixel between its ends, one leaving the
    // canvas is cut at its edge, one wholly outside touches nothing, a NaN point breaks the line.
    void trajectoryPixels()
    {
        const int w = 20, h = 10;
        std::vector<uint32_t> px(size_t(w * h), 0);
        auto lit = [&] { return int(std::count(px.begin(), px.end(), 1u)); };
        PixelMapping identity;
        const double x[] = {2, 12, 1000, 2000}, y[] = {3, 3, 5, 5};
        rasterizeTrajectory(x, y, 2, identity, px.data(), w, h, w, 1u);
        QCOMPARE(lit(), 11);
        for (int c = 2; c <= 12; ++c)
            QCOMPARE(px[size_t(3 * w + c)], 1u);
        std::fill(px.begin(), px.end(), 0u);
        rasterizeTrajectory(x + 1, y + 1, 2, identity, px.data(), w, h, w, 1u);
        QCOMPARE(lit(), 8); // cut at x = 19: columns 12 to 19
        std::fill(px.begin(), px.end(), 0u);
        rasterizeTrajectory(x + 2, y + 2, 2, identity, px.data(), w, h, w, 1u);
        QCOMPARE(lit(), 0);
        const double nan = std::nan("");
        const double dx[] = {2, 12, nan, 5}, dy[] = {3, 3, 1, 7};
        rasterizeTrajectory(dx, dy, 4, identity, px.data(), w, h, w, 1u);
        QCOMPARE(lit(), 12); // (2, 3) to (12, 3), then (5, 7) alone; nothing to or from the NaN
        QCOMPARE(px[size_t(7 * w + 5)], 1u);
        QCOMPARE(px[size_t(1 * w + 12)], 0u);
        // Steps inside the canvas: a diagonal, a steep and a one-pixel step cover their pixels.
        std::fill(px.begin(), px.end(), 0u);
        const double sx[] = {0, 9, 10, 10, 11}, sy[] = {0, 9, 9, 0, 1};
        rasterizeTrajectory(sx, sy, 5, identity, px.data(), w, h, w, 1u);
        QCOMPARE(lit(), 10 + 1 + 9 + 1);
        for (int k = 0; k <= 9; ++k)
            QVERIFY(px[size_t(k * w + k)] == 1u && px[size_t(k * w + 10)] == 1u);
        QCOMPARE(px[size_t(1 * w + 11)], 1u);
        // Scale and offset: value 0..1 onto pixels 0..19, y turned over as on a canvas.
        PixelMapping m;
        m.xScale = 19;
        m.yScale = -9;
        m.yp1 = 9;
        std::fill(px.begin(), px.end(), 0u);
        const double ux[] = {0, 1}, uy[] = {0, 1};
        rasterizeTrajectory(ux, uy, 2, m, px.data(), w, h, w, 1u);
        QCOMPARE(px[size_t(9 * w + 0)], 1u);
        QCOMPARE(px[size_t(0 * w + 19)], 1u);
    }

    void vectorKeys()
    {
        kit::ScratchIni ini;
        VectorDiagramDlg dlg;
        dlg.setConfigPath(ini.path());
        dlg.loadSettings();
        dlg.show();
        kit::child<QComboBox>(dlg, "m_pCoordinateTypeCmbBox")->setCurrentIndex(1);
        kit::child<QPushButton>(dlg, "m_pOkButton")->click();
        QCOMPARE(ini.get("VectorDiagram/CoordinateType").toInt(), 1);
        QCOMPARE(ini.get("VectorDiagram/Grade").toInt(), 0);
        dlg.show();
        kit::child<QComboBox>(dlg, "m_pGradeTypeCmbBox")->setCurrentIndex(1);
        dlg.close();
        QCOMPARE(ini.get("VectorDiagram/Grade").toInt(), 1);
        VectorDiagramDlg again;
        again.setConfigPath(ini.path());
        again.loadSettings();
        QCOMPARE(again.settings().coordinateType, 1);
        QCOMPARE(again.settings().grade, 1);
    }
};

QTEST_MAIN(IqDlgsTest)
#include "test_iqdlgs.moc"
