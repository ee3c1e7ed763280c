#include "dialogs/VectorDiagramDlg.h"

#include "dialogs/VectorTrajectory.h"
#include "dsp/VectorReadout.h"
#include "plot/OrmaPanner.h"
#include "plot/OrmaPlot.h"
#include "plot/OrmaScaleDraw.h"
#include "sources/ui/SettingsDlg.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

#include <qwt_scale_widget.h>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>

#include <cmath>

namespace {

const char kRedFrame[] = "border: 2px solid red;\nbackground: #ECE9D8;";
const char kBlueFrame[] = "border: 2px solid blue;\nbackground: #ECE9D8;";
const char *const kPolarLabels[] = {"Ампл = ", "Фаза = ", "dА = ", "dФ = "};
const char *const kRectangularLabels[] = {"I = ", "Q = ", "dI = ", "dQ = "};

QToolButton *toolButton(const char *name, const char *icon, bool checkable = true)
{
    auto *button = named(new QToolButton, name);
    button->setIcon(QIcon(QStringLiteral(":/VectorDiagramDlg/Resources/") + QLatin1String(icon)));
    button->setCheckable(checkable);
    button->setAutoRaise(true);
    button->setIconSize(QSize(20, 20));
    return button;
}

QLineEdit *readout(const char *name)
{
    auto *edit = named(new QLineEdit, name);
    edit->setReadOnly(true);
    edit->setMinimumWidth(70);
    edit->setMaximumWidth(90);
    return edit;
}

} // namespace

VectorDiagramDlg::VectorDiagramDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("Векторная диаграмма сигнала"));

    m_pPlot = named(new OrmaPlot, "m_pPlot");
    m_pPlot->setCanvasBackground(Qt::white);
    m_pPlot->setMinimumSize(560, 520);
    m_pPlot->positionLine()->hide(); // no record position in the I/Q plane
    auto *grid = new QwtPlotGrid;
    QPen gridPen(QColor(117, 117, 117));
    gridPen.setWidth(0);
    gridPen.setStyle(Qt::DotLine);
    grid->setPen(gridPen);
    grid->attach(m_pPlot);
    m_pPlot->enableAxis(QwtPlot::yRight);
    for (int axis : {QwtPlot::xBottom, QwtPlot::xTop, QwtPlot::yLeft, QwtPlot::yRight}) {
        auto *draw = new OrmaScaleDraw;
        draw->setTransforms(&m_transforms);
        m_pPlot->setAxisScaleDraw(axis, draw);
    }
    m_pPlot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("I"));
    m_pPlot->setMarkersFollow(false);
    m_pTrajectory = new VectorTrajectory;
    m_pTrajectory->attach(m_pPlot);
    const QPen crossPen(QColor(117, 117, 117));
    m_pHorizontalAxis = new QwtPlotCurve;
    m_pVerticalAxis = new QwtPlotCurve;
    for (QwtPlotCurve *axis : {m_pHorizontalAxis, m_pVerticalAxis}) {
        axis->setPen(crossPen);
        axis->setItemAttribute(QwtPlotItem::AutoScale, false);
        axis->attach(m_pPlot);
    }

    m_pMoveButton = toolButton("m_pMoveButton", "move.png");
    m_pHMoveButton = toolButton("m_pHMoveButton", "hmove.png");
    m_pVMoveButton = toolButton("m_pVMoveButton", "vmove.png");
    m_pZoomButton = toolButton("m_pZoomButton", "zoom.png");
    m_pHZoomButton = toolButton("m_pHZoomButton", "hzoom.png");
    m_pVZoomButton = toolButton("m_pVZoomButton", "vzoom.png");
    m_pRMarkerButton = toolButton("m_pRMarkerButton", "redmarker.png");
    m_pBMarkerButton = toolButton("m_pBMarkerButton", "bluemarker.png");
    m_pUndoButton = toolButton("m_pUndoButton", "undo.png", false);
    m_pUndoAllButton = toolButton("m_pUndoAllButton", "undoall.png", false);
    const std::pair<QToolButton *, const char *> tips[] = {
        {m_pMoveButton, "Переместить"}, {m_pHMoveButton, "Горизонтальное перемещение"},
        {m_pVMoveButton, "Вертикальное перемещение"}, {m_pZoomButton, "Увеличение"},
        {m_pHZoomButton, "Горизонтальное увеличение"}, {m_pVZoomButton, "Вертикальное увеличение"},
        {m_pRMarkerButton, "Красный маркер"}, {m_pBMarkerButton, "Синий маркер"},
        {m_pUndoButton, "Отменить"}, {m_pUndoAllButton, "Отменить все изменения"}};
    auto *tools = new QHBoxLayout;
    for (const auto &tip : tips) {
        tip.first->setToolTip(QString::fromUtf8(tip.second));
        tools->addWidget(tip.first);
    }
    tools->addStretch();

    m_pCoordinateTypeCmbBox = named(new QComboBox, "m_pCoordinateTypeCmbBox");
    m_pCoordinateTypeCmbBox->addItems({QString::fromUtf8("Полярные"), QString::fromUtf8("Прямоугольные")});
    m_pGradeTypeCmbBox = named(new QComboBox, "m_pGradeTypeCmbBox");
    m_pGradeTypeCmbBox->addItems({QString::fromUtf8("Градусы"), QString::fromUtf8("Радианы")});

    m_pRedAmplEdit = readout("m_pRedAmplEdit");
    m_pRedPhaseEdit = readout("m_pRedPhaseEdit");
    m_pBlueAmplEdit = readout("m_pBlueAmplEdit");
    m_pBluePhaseEdit = readout("m_pBluePhaseEdit");
    m_pDeltaAmplEdit = readout("m_pDeltaAmplEdit");
    m_pDeltaPhaseEdit = readout("m_pDeltaPhaseEdit");
    QLineEdit *const edits[6] = {m_pRedAmplEdit, m_pRedPhaseEdit, m_pBlueAmplEdit,
                                 m_pBluePhaseEdit, m_pDeltaAmplEdit, m_pDeltaPhaseEdit};
    auto *cursors = new QGroupBox(QString::fromUtf8("Курсоры"));
    auto *cursorGrid = new QGridLayout(cursors);
    for (int i = 0; i < 6; ++i) {
        m_pLabel[i] = new QLabel;
        m_pLabel[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (i < 2)
            m_pLabel[i]->setStyleSheet(kRedFrame);
        else if (i < 4)
            m_pLabel[i]->setStyleSheet(kBlueFrame);
        cursorGrid->addWidget(m_pLabel[i], i / 2, 2 * (i % 2));
        cursorGrid->addWidget(edits[i], i / 2, 2 * (i % 2) + 1);
    }
    auto *choosers = new QGridLayout;
    choosers->addWidget(new QLabel(QString::fromUtf8("Координаты")), 0, 0);
    choosers->addWidget(m_pCoordinateTypeCmbBox, 0, 1);
    choosers->addWidget(new QLabel(QString::fromUtf8("Угол")), 1, 0);
    choosers->addWidget(m_pGradeTypeCmbBox, 1, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("m_pOkButton");

    auto *sideWidget = new QWidget;
    sideWidget->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    auto *side = new QVBoxLayout(sideWidget);
    side->setContentsMargins(0, 0, 0, 0);
    side->addLayout(choosers);
    side->addWidget(cursors);
    side->addStretch();
    side->addWidget(buttons);
    // Qwt turns every vertical axis title on its side; the one letter stands upright beside
    // the scales instead, as "I" does under them.
    auto qTitle = [this](const char *name) {
        auto *label = named(new QLabel(QStringLiteral("Q")), name);
        label->setFont(m_pPlot->axisWidget(QwtPlot::xBottom)->title().font());
        return label;
    };
    auto *body = new QHBoxLayout;
    body->setSpacing(2);
    body->addWidget(qTitle("m_pLeftQLabel"));
    body->addWidget(m_pPlot, 1);
    body->addWidget(qTitle("m_pRightQLabel"));
    body->addSpacing(6);
    body->addWidget(sideWidget);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addLayout(body, 1);
    resize(1000, 580);

    connect(m_pMoveButton, &QToolButton::toggled, this, &VectorDiagramDlg::slotMove);
    connect(m_pHMoveButton, &QToolButton::toggled, this, &VectorDiagramDlg::slotHMove);
    connect(m_pVMoveButton, &QToolButton::toggled, this, &VectorDiagramDlg::slotVMove);
    connect(m_pZoomButton, &QToolButton::toggled, this, &VectorDiagramDlg::slotZoom);
    connect(m_pHZoomButton, &QToolButton::toggled, this, &VectorDiagramDlg::slotHZoom);
    connect(m_pVZoomButton, &QToolButton::toggled, this, &VectorDiagramDlg::slotVZoom);
    connect(m_pRMarkerButton, &QToolButton::toggled, this, &VectorDiagramDlg::slotRMarker);
    connect(m_pBMarkerButton, &QToolButton::toggled, this, &VectorDiagramDlg::slotBMarker);
    connect(m_pUndoButton, &QToolButton::clicked, this, &VectorDiagramDlg::slotUndo);
    connect(m_pUndoAllButton, &QToolButton::clicked, this, &VectorDiagramDlg::slotAutoScale);
    connect(m_pPlot, &OrmaPlot::signalMoveMarker, this, &VectorDiagramDlg::slotMoveMarker);
    connect(m_pCoordinateTypeCmbBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &VectorDiagramDlg::slotChangeCoordinateType);
    connect(m_pGradeTypeCmbBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &VectorDiagramDlg::slotChangeGrade);
    connect(buttons, &QDialogButtonBox::accepted, this, &VectorDiagramDlg::accept);

    slotChangeCoordinateType(0);
    applyFullScale();
}

// --- settings -----------------------------------------------------------------------------

void VectorDiagramDlg::setConfigPath(const QString &sPath)
{
    m_sConfigPath = sPath;
    loadSettings();
}

void VectorDiagramDlg::loadSettings()
{
    VectorDiagramSettings s;
    s.load(m_sConfigPath);
    setSettings(s);
}

void VectorDiagramDlg::saveSettings() const
{
    settings().save(m_sConfigPath);
}

void VectorDiagramDlg::setSettings(const VectorDiagramSettings &s)
{
    m_pGradeTypeCmbBox->setCurrentIndex(s.grade);
    m_pCoordinateTypeCmbBox->setCurrentIndex(s.coordinateType);
    slotChangeCoordinateType(s.coordinateType);
}

VectorDiagramSettings VectorDiagramDlg::settings() const
{
    return {m_pCoordinateTypeCmbBox->currentIndex(), m_pGradeTypeCmbBox->currentIndex()};
}

void VectorDiagramDlg::accept()
{
    saveSettings();
    QDialog::accept();
}

void VectorDiagramDlg::closeEvent(QCloseEvent *event)
{
    saveSettings();
    QDialog::closeEvent(event);
}

void VectorDiagramDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    applyFullScale();
}

// --- record, unit, data ---------------------------------------------------------------------

double VectorDiagramDlg::halfScale() const
{
    return std::ldexp(1.0, std::max(1, int(m_transforms.bits())) - 1);
}

void VectorDiagramDlg::setRecordParams(const FileParams &params)
{
    const bool changed = params.bitRange != m_params.bitRange || params.voltageRangeMv != m_params.voltageRangeMv;
    m_params = params;
    m_transforms.setBits(params.bitRange);
    m_transforms.setRange(uint32_t(std::max(0, params.voltageRangeMv)));
    if (changed)
        applyFullScale();
    refreshReadouts();
}

void VectorDiagramDlg::setAmplitudeUnit(int code)
{
    if (code == m_nAmplUnit)
        return;
    m_nAmplUnit = code;
    m_transforms.setType(code);
    applyFullScale();
    refreshReadouts();
}

void VectorDiagramDlg::applyFullScale()
{
    const double half = halfScale();
    m_pPlot->panner()->setPanLimits(QRectF(-half, -half, 2 * half, 2 * half));
    m_pPlot->slotSetScaleX(-half, half, half / 4, false);
    m_pPlot->slotSetScaleY(-half, half, half / 4);
    const double hx[] = {-half, half}, hy[] = {0, 0};
    m_pHorizontalAxis->setSamples(hx, hy, 2);
    m_pVerticalAxis->setSamples(hy, hx, 2);
    for (int axis : {QwtPlot::xBottom, QwtPlot::xTop, QwtPlot::yLeft, QwtPlot::yRight})
        static_cast<OrmaScaleDraw *>(m_pPlot->axisScaleDraw(axis))->invalidateCache();
    m_pPlot->replot();
}

void VectorDiagramDlg::setData(IqSlice slice)
{
    m_data = std::make_shared<const IqSlice>(std::move(slice));
}

void VectorDiagramDlg::redraw()
{
    if (!m_data)
        return;
    // Without a Q channel the slice is empty and nothing is drawn.
    m_pTrajectory->setSlice(m_data);
    m_pPlot->replot();
}

bool VectorDiagramDlg::prepare(const ViewSetup &setup)
{
    setAmplitudeUnit(setup.amplitudeUnit);
    return true;
}

void VectorDiagramDlg::followBlock(const MeasurementContext &context)
{
    const BlockSnapshotPtr &block = context.block;
    const ScopeWindow &window = context.scope;
    if (!isVisible() || !block)
        return;
    setRecordParams(block->fileOfChannel(window.currentChannel));
    const int k = block->channels.indexOf(window.currentChannel);
    setData(makeIqSlice(*block, k, spanOfSamples(*block, window.firstSample, window.lastSample)));
    redraw();
}

// --- tools ----------------------------------------------------------------------------------

void VectorDiagramDlg::clearOtherTools(QToolButton *keep)
{
    for (QToolButton *b : {m_pMoveButton, m_pHMoveButton, m_pVMoveButton, m_pZoomButton, m_pHZoomButton,
                           m_pVZoomButton, m_pRMarkerButton, m_pBMarkerButton}) {
        if (b != keep)
            b->setChecked(false);
    }
}

void VectorDiagramDlg::slotMove(bool isFlg)
{
    if (isFlg)
        clearOtherTools(m_pMoveButton);
    m_pPlot->setMoveMode(isFlg);
}

void VectorDiagramDlg::slotHMove(bool isFlg)
{
    if (isFlg)
        clearOtherTools(m_pHMoveButton);
    m_pPlot->setHMoveMode(isFlg);
}

void VectorDiagramDlg::slotVMove(bool isFlg)
{
    if (isFlg)
        clearOtherTools(m_pVMoveButton);
    m_pPlot->setVMoveMode(isFlg);
}

void VectorDiagramDlg::slotZoom(bool isFlg)
{
    if (isFlg)
        clearOtherTools(m_pZoomButton);
    m_pPlot->setZoomMode(isFlg);
}

void VectorDiagramDlg::slotHZoom(bool isFlg)
{
    if (isFlg)
        clearOtherTools(m_pHZoomButton);
    m_pPlot->setHZoomMode(isFlg);
}

void VectorDiagramDlg::slotVZoom(bool isFlg)
{
    if (isFlg)
        clearOtherTools(m_pVZoomButton);
    m_pPlot->setVZoomMode(isFlg);
}

void VectorDiagramDlg::slotRMarker(bool isFlg)
{
    if (isFlg) {
        clearOtherTools(m_pRMarkerButton);
        m_bBlueIsCurrent = false;
    }
    m_pPlot->enableRedMarker(isFlg);
}

void VectorDiagramDlg::slotBMarker(bool isFlg)
{
    if (isFlg) {
        clearOtherTools(m_pBMarkerButton);
        m_bBlueIsCurrent = true;
    }
    m_pPlot->enableBlueMarker(isFlg);
}

void VectorDiagramDlg::slotUndo()
{
    m_pPlot->undoStep();
}

void VectorDiagramDlg::slotAutoScale()
{
    applyFullScale();
}

// --- read-outs ------------------------------------------------------------------------------

void VectorDiagramDlg::slotMoveMarker(QwtDoublePoint &point)
{
    if (m_bBlueIsCurrent) {
        m_blue = point;
        m_bHasBlue = true;
    } else {
        m_red = point;
        m_bHasRed = true;
    }
    refreshReadouts();
}

void VectorDiagramDlg::slotChangeCoordinateType(int bType)
{
    const char *const *labels = bType == 1 ? kRectangularLabels : kPolarLabels;
    for (int i = 0; i < 6; ++i)
        m_pLabel[i]->setText(QString::fromUtf8(labels[i < 4 ? i % 2 : 2 + i % 2]));
    if (m_pCoordinateTypeCmbBox->currentIndex() != bType) {
        QSignalBlocker block(m_pCoordinateTypeCmbBox);
        m_pCoordinateTypeCmbBox->setCurrentIndex(bType);
    }
    refreshReadouts();
}

void VectorDiagramDlg::slotChangeGrade()
{
    refreshReadouts();
}

void VectorDiagramDlg::refreshReadouts()
{
    VectorReadoutStyle style;
    style.rectangular = m_pCoordinateTypeCmbBox->currentIndex() == 1;
    style.radians = m_pGradeTypeCmbBox->currentIndex() == 1;
    style.wholeCodes = m_nAmplUnit == DimCodes;
    const auto inUnits = [this](const QwtDoublePoint &p) {
        return VectorPoint{m_transforms.toUnits(p.x()), m_transforms.toUnits(p.y())};
    };
    const VectorReadout r = vectorReadout(inUnits(m_red), inUnits(m_blue), style);
    const auto text = [](double v) { return QString::number(v, 'f', 2); };
    m_pRedAmplEdit->setText(m_bHasRed ? text(r.red[0]) : QString());
    m_pRedPhaseEdit->setText(m_bHasRed ? text(r.red[1]) : QString());
    m_pBlueAmplEdit->setText(m_bHasBlue ? text(r.blue[0]) : QString());
    m_pBluePhaseEdit->setText(m_bHasBlue ? text(r.blue[1]) : QString());
    const bool both = m_bHasRed && m_bHasBlue;
    m_pDeltaAmplEdit->setText(both ? text(r.delta[0]) : QString());
    m_pDeltaPhaseEdit->setText(both ? text(r.delta[1]) : QString());
}
