#include "dialogs/SineFitDlg.h"

#include "dialogs/RunButton.h"
#include "plot/OrmaPlot.h"
#include "sources/measure/ReportText.h"

#include <qwt_plot_grid.h>
#include <qwt_text.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

template <typename Widget> Widget *named(Widget *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLineEdit *readOnlyField(const char *name)
{
    auto *edit = named(new QLineEdit, name);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    // Room for a frequency in Hz to a ten-thousandth, which a default-width field cuts off.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("-00000000.0000")) + 12);
    return edit;
}

// The plot's axis titles per view: x, y.
const char *const kViewNames[] = {"Остаток по коду", "Остаток по фазе", "Спектр остатка"};
const char *const kXTitles[] = {"Код", "Фаза, град", "Частота, Гц"};
const char *const kYTitles[] = {"Средний остаток, ед. АЦП", "Остаток, ед. АЦП", "Уровень, дБн"};

QString shown(double v, int decimals) { return std::isfinite(v) ? formatNumber(v, decimals) : QString(); }

} // namespace

SineFitDlg::SineFitDlg(QWidget *parent)
    : QDialog(parent),
      m_task(measure, [this](std::shared_ptr<const Outcome> outcome) {
          m_shown = outcome;
          showOutcome(*outcome);
      })
{
    setWindowTitle(QString::fromUtf8("Аппроксимация синусом (четырехпараметрическая)"));

    m_pChanCmbBox = named(new QComboBox, "m_pChanCmbBox");
    m_pViewCmbBox = named(new QComboBox, "m_pViewCmbBox");
    for (const char *name : kViewNames)
        m_pViewCmbBox->addItem(QString::fromUtf8(name));
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QString::fromUtf8("Канал")));
    top->addWidget(m_pChanCmbBox);
    top->addStretch();
    top->addWidget(new QLabel(QString::fromUtf8("График")));
    top->addWidget(m_pViewCmbBox);

    auto *tone = new QGroupBox(QString::fromUtf8("Аппроксимирующий синус"));
    auto *toneGrid = new QGridLayout(tone);
    auto *quality = new QGroupBox(QString::fromUtf8("Остаток"));
    auto *qualityGrid = new QGridLayout(quality);
    const auto place = [](QGridLayout *grid, int row, int col, const char *label, QLineEdit *edit) {
        grid->addWidget(new QLabel(QString::fromUtf8(label)), row, 2 * col);
        grid->addWidget(edit, row, 2 * col + 1);
    };
    place(toneGrid, 0, 0, "Частота, Гц", m_pFreqEdit = readOnlyField("m_pFreqEdit"));
    place(toneGrid, 0, 1, "Амплитуда, ед. АЦП", m_pAmplEdit = readOnlyField("m_pAmplEdit"));
    place(toneGrid, 1, 0, "Фаза, град", m_pPhaseEdit = readOnlyField("m_pPhaseEdit"));
    place(toneGrid, 1, 1, "Смещение, ед. АЦП", m_pOffsetEdit = readOnlyField("m_pOffsetEdit"));
    place(qualityGrid, 0, 0, "СКЗ остатка, ед. АЦП", m_pResidualEdit = readOnlyField("m_pResidualEdit"));
    place(qualityGrid, 1, 0, "SINAD, дБ", m_pSinadEdit = readOnlyField("m_pSinadEdit"));
    place(qualityGrid, 1, 1, "по БПФ, дБ", m_pFftSinadEdit = readOnlyField("m_pFftSinadEdit"));
    place(qualityGrid, 2, 0, "ENOB, бит", m_pEnobEdit = readOnlyField("m_pEnobEdit"));
    place(qualityGrid, 2, 1, "по БПФ, бит", m_pFftEnobEdit = readOnlyField("m_pFftEnobEdit"));
    place(qualityGrid, 3, 0, "Аддитивный шум, СКЗ", m_pAdditiveEdit = readOnlyField("m_pAdditiveEdit"));
    place(qualityGrid, 3, 1, "Шум амплитуды, СКЗ", m_pSignalEdit = readOnlyField("m_pSignalEdit"));
    place(qualityGrid, 4, 0, "Шум по крутизне, СКЗ", m_pSlopeEdit = readOnlyField("m_pSlopeEdit"));
    place(qualityGrid, 4, 1, "Джиттер, с", m_pJitterEdit = readOnlyField("m_pJitterEdit"));

    m_pPlot = named(new OrmaPlot, "m_pPlot");
    m_pPlot->setCanvasBackground(Qt::white);
    auto *grid = new QwtPlotGrid;
    grid->setPen(QPen(QColor(117, 117, 117), 0, Qt::DotLine));
    grid->attach(m_pPlot);
    m_pPlot->setMinimumSize(560, 240);

    m_pReasonLabel = named(new QLabel, "m_pReasonLabel");
    m_pReasonLabel->setWordWrap(true);

    m_pWinCheck = named(new QCheckBox(QString::fromUtf8("Производить измерения в окне осциллографа")), "m_pWinCheck");
    m_pStartButton = named(new RunButton, "m_pStartButton");
    auto *close = named(new QPushButton(QString::fromUtf8("Закрыть")), "m_pCloseButton");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_pWinCheck);
    buttons->addStretch();
    buttons->addWidget(m_pStartButton);
    buttons->addWidget(close);

    auto *figures = new QHBoxLayout;
    figures->addWidget(tone);
    figures->addWidget(quality);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(figures);
    layout->addWidget(m_pReasonLabel);
    layout->addWidget(m_pPlot, 1);
    layout->addLayout(buttons);

    connect(m_pWinCheck, &QCheckBox::stateChanged, this, [this] {
        wholeRecordWishChanged();
        remeasure();
    });
    for (QComboBox *box : {m_pChanCmbBox, m_pViewCmbBox})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &SineFitDlg::remeasure);
    connect(m_pStartButton, &QPushButton::clicked, this, [this] { requestRun(!m_pStartButton->isRunning()); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

SineFitDlg::~SineFitDlg() { m_task.wait(); }

bool SineFitDlg::prepare(const ViewSetup &setup)
{
    offerChannels(setup.shown);
    m_last = setup.shown;
    return true;
}

// The block's channels, keeping the one chosen before when the block still has it; opened
// before any block, the dialog offers them with the first.
void SineFitDlg::offerChannels(const MeasurementContext &context)
{
    const BlockSnapshotPtr &block = context.block;
    if (!block || !block->channelSamples(0))
        return;
    const QString kept = m_pChanCmbBox->currentText();
    const QSignalBlocker quiet(m_pChanCmbBox);
    m_pChanCmbBox->clear();
    for (int number : block->channels.numbers())
        m_pChanCmbBox->addItem(QString::number(number));
    const int at = m_pChanCmbBox->findText(kept);
    const int current = m_pChanCmbBox->findText(QString::number(context.channel));
    m_pChanCmbBox->setCurrentIndex(at >= 0 ? at : std::max(current, 0));
}

void SineFitDlg::followBlock(const MeasurementContext &context)
{
    m_last = context;
    if (!isVisible() || !context.block)
        return;
    if (m_pChanCmbBox->count() == 0)
        offerChannels(context);
    Request request;
    request.block = context.block;
    bool ok = false;
    const int number = m_pChanCmbBox->currentText().toInt(&ok);
    request.channel = ok ? number : -1;
    request.span = m_pWinCheck->isChecked() ? spanOfWindow(*context.block, context.scope)
                                            : wholeBuffer(*context.block);
    request.view = SineFitView(std::max(0, m_pViewCmbBox->currentIndex()));
    m_task.submit(std::move(request)); // an older waiting block is of no more use
}

void SineFitDlg::remeasure() { followBlock(m_last); }

// The task holds the block, which nobody writes; the fit and its view read it in place.
SineFitDlg::Outcome SineFitDlg::measure(const Request &request)
{
    Outcome o;
    o.job = makeSineFitJob(request.block, request.channel, request.span);
    o.fit = measureSineFit(o.job);
    o.view = request.view;
    o.curves = sineFitCurves(o.job, o.fit, request.view);
    return o;
}

void SineFitDlg::showOutcome(const Outcome &o)
{
    const SineFit &f = o.fit;
    const bool ok = o.job.present && f.ok();
    const double rate = o.job.sampleRate;
    const PhaseResidual &phase = o.curves.phase;
    m_pFreqEdit->setText(ok && rate > 0 ? shown(f.cyclesPerSample() * rate, 4) : QString());
    m_pAmplEdit->setText(ok ? shown(f.amplitude, 3) : QString());
    m_pPhaseEdit->setText(ok ? shown(f.phase * 180 / M_PI, 3) : QString());
    m_pOffsetEdit->setText(ok ? shown(f.offset, 3) : QString());
    m_pResidualEdit->setText(ok ? shown(f.residualRms, 4) : QString());
    m_pSinadEdit->setText(ok ? shown(f.sinad, 2) : QString());
    m_pEnobEdit->setText(ok ? shown(f.enob, 3) : QString());
    m_pFftSinadEdit->setText(shown(o.job.fftSinad, 2));
    m_pFftEnobEdit->setText(shown(o.job.fftEnob, 3));
    m_pAdditiveEdit->setText(ok ? shown(phase.additiveRms, 4) : QString());
    m_pSignalEdit->setText(ok ? shown(phase.signalRms, 4) : QString());
    m_pSlopeEdit->setText(ok ? shown(phase.slopeRms, 4) : QString());
    m_pJitterEdit->setText(ok && rate > 0 ? QString::number(phase.jitterSamples / rate, 'g', 3) : QString());

    QStringList reasons;
    for (const QString &r : {sineFitReasonText(o.job, f, true), sineFitEnobReasonText(o.job, f, true)})
        if (!r.isEmpty())
            reasons << r;
    m_pReasonLabel->setText(reasons.join(QStringLiteral("; ")));
    reportReason(m_pReasonLabel->text());

    const int v = int(o.view);
    m_pPlot->setAxisTitle(QwtPlot::xBottom, QString::fromUtf8(kXTitles[v]));
    m_pPlot->setAxisTitle(QwtPlot::yLeft, QString::fromUtf8(kYTitles[v]));
    const SineFitCurves &c = o.curves;
    m_pPlot->deleteAllCurves();
    if (!c.x.empty()) {
        m_pPlot->setCurveSamples(0, Qt::blue, c.x.data(), c.y.data(), int(c.x.size()), m_shown);
        if (!c.y2.empty())
            m_pPlot->setCurveSamples(1, Qt::red, c.x.data(), c.y2.data(), int(c.x.size()), m_shown);
        m_pPlot->setAxisRange(QwtPlot::xBottom, c.x.front(), c.x.back(), 0);
        m_pPlot->autoScaleY();
    }
    m_pPlot->replot();
}

void SineFitDlg::setRunning(bool isRunning) { m_pStartButton->setRunning(isRunning); }

bool SineFitDlg::wantsWholeRecord() const { return isVisible() && !m_pWinCheck->isChecked(); }

void SineFitDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    wholeRecordWishChanged();
}

// However it was closed (its button, the title bar, Escape).
void SineFitDlg::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    m_task.dropPending();
    wholeRecordWishChanged(); // a whole-record read it asked for ends with it
}
