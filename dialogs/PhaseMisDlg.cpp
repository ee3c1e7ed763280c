#include "dialogs/PhaseMisDlg.h"

#include "dialogs/RunButton.h"
#include "plot/OrmaScaleDraw.h"
#include "sources/measure/phase/PhaseMisReport.h"
#include "sources/settings/DimensionCodes.h"
#include "sources/ui/SettingsDlg.h"

#include <QCheckBox>
#include <QHideEvent>
#include <QComboBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

const char *const kChannelLabels[] = {"Первый канал", "Второй канал", "Третий канал", "Четвертый канал"};
const char *const kOtherLabels[] = {"Второго канала", "Третьего канала", "Четвертого канала"};
const char *const kUnitNames[] = {"мс", "мкс", "нс", "отсчет", "радиан", "градус"};

template <size_t N> int indexOfCode(const int (&codes)[N], int code)
{
    const auto at = std::find(std::begin(codes), std::end(codes), code);
    return at == std::end(codes) ? 0 : int(at - std::begin(codes));
}

template <size_t N> int codeAt(const int (&codes)[N], int index)
{
    return index >= 0 && size_t(index) < N ? codes[index] : codes[0];
}

QString numberedName(const char *prefix, int channel, const char *suffix)
{
    return QString::fromLatin1("%1%2%3").arg(QLatin1String(prefix)).arg(channel).arg(QLatin1String(suffix));
}

// A display unit as the measurement gives it, and the factor to the unit shown.
struct UnitScale {
    PhaseMisUnit unit;
    double scale;
};

UnitScale unitScale(int code)
{
    switch (code) {
    case DimDegrees: return {PhaseMisUnit::Degrees, 1};
    case DimRadians: return {PhaseMisUnit::Radians, 1};
    case DimSamples: return {PhaseMisUnit::Samples, 1};
    case DimMicroseconds: return {PhaseMisUnit::Seconds, 1e6};
    case DimNanoseconds: return {PhaseMisUnit::Seconds, 1e9};
    default: return {PhaseMisUnit::Seconds, 1e3};
    }
}

// The figure, or a blank field whose tip says why; a failure value keeps its reason as tip.
void showFigure(QLineEdit *edit, const PhaseMisFigure &f, double scale, QStringList &reasons)
{
    const QString reason = phaseMisReasonText(f.reason, true);
    edit->setText(f.shown() ? trimmedNumber(f.value * scale, 3) : QString());
    edit->setToolTip(reason);
    if (!reason.isEmpty() && !reasons.contains(reason))
        reasons << reason;
}

QLineEdit *readOnlyField(const QString &name)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

} // namespace

PhaseMisDlg::PhaseMisDlg(QWidget *parent)
    : QDialog(parent),
      m_task(measure, [this](std::shared_ptr<const PhaseMisOutcome> outcome) { showOutcome(*outcome); })
{
    // The title as the dialog has always been known (with its Latin "c").
    setWindowTitle(QString::fromUtf8("Измерение фазового рас\x63огласования"));

    auto *channels = new QGridLayout;
    for (int c = 0; c < PhaseMisJob::ChannelCount; ++c) {
        m_pChanCmbBox[c] = new QComboBox;
        m_pChanCmbBox[c]->setObjectName(numberedName("m_pChan", c + 1, "CmbBox"));
        channels->addWidget(new QLabel(QString::fromUtf8(kChannelLabels[c])), 0, c);
        channels->addWidget(m_pChanCmbBox[c], 1, c);
    }

    auto *periods = new QGroupBox(QString::fromUtf8("Периоды сигналов"));
    auto *periodGrid = new QGridLayout(periods);
    for (int c = 0; c < PhaseMisJob::ChannelCount; ++c) {
        m_pPeriodEdit[c] = readOnlyField(numberedName("m_pPeriodCh", c + 1, "Edit"));
        periodGrid->addWidget(new QLabel(QString::fromUtf8(kChannelLabels[c])), 0, c);
        periodGrid->addWidget(m_pPeriodEdit[c], 1, c);
    }
    m_pPerDimCmbBox = named(new QComboBox, "m_pPerDimCmbBox");
    for (int i = 0; i < 4; ++i)
        m_pPerDimCmbBox->addItem(QString::fromUtf8(kUnitNames[i]));
    periodGrid->addWidget(m_pPerDimCmbBox, 1, PhaseMisJob::ChannelCount);

    auto *phases = new QGroupBox(QString::fromUtf8("Фазовое рассогласование с первым каналом"));
    auto *phaseGrid = new QGridLayout(phases);
    auto *search = new QGroupBox(QString::fromUtf8("Поис фазового рассогласования с первым каналом"));
    auto *searchGrid = new QGridLayout(search);
    auto *validator = new QDoubleValidator(this);
    validator->setLocale(QLocale::c());
    for (int c = 0; c < PhaseMisSettings::OtherChannels; ++c) {
        const QString label = QString::fromUtf8(kOtherLabels[c]);
        m_pPhaseMisEdit[c] = readOnlyField(numberedName("m_pPhaseMis", c + 2, "Edit"));
        phaseGrid->addWidget(new QLabel(label), 0, c);
        phaseGrid->addWidget(m_pPhaseMisEdit[c], 1, c);

        m_pLowCheck[c] = new QCheckBox(QString::fromUtf8("Ниже порога"));
        m_pLowCheck[c]->setObjectName(numberedName("m_pLow", c + 2, "Check"));
        m_pHiCheck[c] = new QCheckBox(QString::fromUtf8("Выше порога"));
        m_pHiCheck[c]->setObjectName(numberedName("m_pHi", c + 2, "Check"));
        m_pLowEdit[c] = new QLineEdit;
        m_pLowEdit[c]->setObjectName(numberedName("m_pLow", c + 2, "Edit"));
        m_pHiEdit[c] = new QLineEdit;
        m_pHiEdit[c]->setObjectName(numberedName("m_pHi", c + 2, "Edit"));
        for (QLineEdit *edit : {m_pLowEdit[c], m_pHiEdit[c]}) {
            edit->setValidator(validator);
            edit->setAlignment(Qt::AlignRight);
        }
        searchGrid->addWidget(new QLabel(label), c, 0);
        searchGrid->addWidget(m_pLowCheck[c], c, 1);
        searchGrid->addWidget(m_pLowEdit[c], c, 2);
        searchGrid->addWidget(m_pHiCheck[c], c, 3);
        searchGrid->addWidget(m_pHiEdit[c], c, 4);
    }
    m_pPhaseMisDimCmbBox = named(new QComboBox, "m_pPhaseMisDimCmbBox");
    for (const char *unit : kUnitNames)
        m_pPhaseMisDimCmbBox->addItem(QString::fromUtf8(unit));
    phaseGrid->addWidget(m_pPhaseMisDimCmbBox, 1, PhaseMisSettings::OtherChannels);

    m_pWinCheck = named(new QCheckBox(QString::fromUtf8("Производить измерения в окне осциллографа")),
                        "m_pWinCheck");
    m_pStartButton = named(new RunButton, "m_pStartButton");
    auto *close = named(new QPushButton(QString::fromUtf8("Закрыть")), "m_pCloseButton");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_pWinCheck);
    buttons->addStretch();
    buttons->addWidget(m_pStartButton);
    buttons->addWidget(close);

    m_pReasonLabel = named(new QLabel, "m_pReasonLabel");
    m_pReasonLabel->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(channels);
    layout->addWidget(periods);
    layout->addWidget(phases);
    layout->addWidget(m_pReasonLabel);
    layout->addWidget(search);
    layout->addLayout(buttons);
    setSettings(PhaseMisSettings());

    connect(m_pWinCheck, &QCheckBox::stateChanged, this, [this] { wholeRecordWishChanged(); });
    connect(m_pStartButton, &QPushButton::clicked, this,
            [this] { requestRun(!m_pStartButton->isRunning()); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    for (QComboBox *unit : {m_pPerDimCmbBox, m_pPhaseMisDimCmbBox})
        connect(unit, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &PhaseMisDlg::refreshFields);
}

PhaseMisDlg::~PhaseMisDlg()
{
    m_task.wait();
}

// --- settings -----------------------------------------------------------------------------

void PhaseMisDlg::setConfigPath(const QString &sPath)
{
    m_sConfigPath = sPath;
    loadSettings();
}

void PhaseMisDlg::loadSettings()
{
    PhaseMisSettings s;
    s.load(m_sConfigPath);
    setSettings(s);
}

void PhaseMisDlg::saveSettings() const
{
    settings().save(m_sConfigPath);
}

void PhaseMisDlg::setSettings(const PhaseMisSettings &s)
{
    m_pPerDimCmbBox->setCurrentIndex(indexOfCode(PhaseMisSettings::PeriodCodes, s.periodDimension));
    m_pPhaseMisDimCmbBox->setCurrentIndex(indexOfCode(PhaseMisSettings::PhaseCodes, s.dimension));
    {
        // Loading is no request of the user's: the source's mode follows when the dialog shows.
        QSignalBlocker block(m_pWinCheck);
        m_pWinCheck->setChecked(!s.fullData);
    }
    for (int c = 0; c < PhaseMisSettings::OtherChannels; ++c) {
        m_pLowCheck[c]->setChecked(s.findLow[size_t(c)]);
        m_pHiCheck[c]->setChecked(s.findHi[size_t(c)]);
        m_pLowEdit[c]->setText(trimmedNumber(s.findLowVal[size_t(c)], 6));
        m_pHiEdit[c]->setText(trimmedNumber(s.findHiVal[size_t(c)], 6));
    }
}

PhaseMisSettings PhaseMisDlg::settings() const
{
    PhaseMisSettings s;
    s.periodDimension = codeAt(PhaseMisSettings::PeriodCodes, m_pPerDimCmbBox->currentIndex());
    s.dimension = codeAt(PhaseMisSettings::PhaseCodes, m_pPhaseMisDimCmbBox->currentIndex());
    s.fullData = !m_pWinCheck->isChecked();
    for (int c = 0; c < PhaseMisSettings::OtherChannels; ++c) {
        s.findLow[size_t(c)] = m_pLowCheck[c]->isChecked();
        s.findHi[size_t(c)] = m_pHiCheck[c]->isChecked();
        s.findLowVal[size_t(c)] = QLocale::c().toDouble(m_pLowEdit[c]->text());
        s.findHiVal[size_t(c)] = QLocale::c().toDouble(m_pHiEdit[c]->text());
    }
    return s;
}

// --- channels and blocks --------------------------------------------------------------------

void PhaseMisDlg::setChannelNumbers(const QList<int> &numbers)
{
    for (int c = 0; c < PhaseMisJob::ChannelCount; ++c) {
        QComboBox *box = m_pChanCmbBox[c];
        const QString kept = box->currentText();
        box->clear();
        for (int number : numbers)
            box->addItem(QString::number(number));
        const int at = box->findText(kept);
        box->setCurrentIndex(at >= 0 ? at : c < box->count() ? c : -1);
    }
}

bool PhaseMisDlg::prepare(const ViewSetup &setup)
{
    const BlockSnapshotPtr &block = setup.shown.block;
    if (!block || !block->channelSamples(0))
        return false;
    setChannelNumbers(block->channels.numbers());
    return true;
}

void PhaseMisDlg::followBlock(const MeasurementContext &context)
{
    const BlockSnapshotPtr &block = context.block;
    if (!isVisible() || !block)
        return;
    Request request;
    request.block = block;
    for (int c = 0; c < PhaseMisJob::ChannelCount; ++c) {
        bool ok = false;
        const int number = m_pChanCmbBox[c]->currentText().toInt(&ok);
        request.channels[size_t(c)] = ok ? number : -1;
    }
    request.span = m_pWinCheck->isChecked() ? spanOfWindow(*block, context.scope) : wholeBuffer(*block);
    m_task.submit(std::move(request)); // an older waiting block is of no more use
}

// The task holds the block, which nobody writes; it copies its spans and measures them.
PhaseMisOutcome PhaseMisDlg::measure(const Request &request)
{
    return measurePhaseMis(makePhaseMisJob(request.block, request.channels, request.span));
}

void PhaseMisDlg::showOutcome(const PhaseMisOutcome &outcome)
{
    m_outcome = outcome;
    refreshFields();
    // The window's stop comes back through setRunning at once, so this asks only once.
    if (isAcquisitionRunning() && thresholdCrossed())
        requestRun(false);
}

void PhaseMisDlg::refreshFields()
{
    if (!m_outcome)
        return;
    const PhaseMisOutcome &o = *m_outcome;
    QStringList reasons;
    const UnitScale period = unitScale(codeAt(PhaseMisSettings::PeriodCodes, m_pPerDimCmbBox->currentIndex()));
    for (size_t c = 0; c < PhaseMisJob::ChannelCount; ++c)
        showFigure(m_pPeriodEdit[c], periodFigure(o, c, period.unit), period.scale, reasons);
    const UnitScale phase = unitScale(codeAt(PhaseMisSettings::PhaseCodes, m_pPhaseMisDimCmbBox->currentIndex()));
    for (size_t c = 0; c < PhaseMisSettings::OtherChannels; ++c)
        showFigure(m_pPhaseMisEdit[c], phaseFigure(o, c, phase.unit), phase.scale, reasons);
    m_pReasonLabel->setText(reasons.join(QStringLiteral("; ")));
    reportReason(m_pReasonLabel->text());
}

// NAN when withheld, which passes every threshold.
double PhaseMisDlg::phaseInUnit(size_t c) const
{
    const UnitScale phase = unitScale(codeAt(PhaseMisSettings::PhaseCodes, m_pPhaseMisDimCmbBox->currentIndex()));
    return phaseFigure(*m_outcome, c, phase.unit).value * phase.scale;
}

// Below its lower threshold or above its upper one, in the shown unit. An empty "below"
// field passes the channel over, its "above" test included.
bool PhaseMisDlg::thresholdCrossed() const
{
    for (size_t c = 0; c < PhaseMisSettings::OtherChannels; ++c) {
        const double phase = phaseInUnit(c);
        bool ok = false;
        if (m_pLowCheck[c]->isChecked()) {
            const double low = QLocale::c().toDouble(m_pLowEdit[c]->text(), &ok);
            if (!ok)
                continue;
            if (low > phase)
                return true;
        }
        const double high = QLocale::c().toDouble(m_pHiEdit[c]->text(), &ok);
        if (m_pHiCheck[c]->isChecked() && ok && high < phase)
            return true;
    }
    return false;
}

// --- start and stop -------------------------------------------------------------------------

void PhaseMisDlg::setRunning(bool isRunning) { m_pStartButton->setRunning(isRunning); }

bool PhaseMisDlg::isAcquisitionRunning() const { return m_pStartButton->isRunning(); }

bool PhaseMisDlg::wantsWholeRecord() const
{
    return isVisible() && !m_pWinCheck->isChecked();
}

void PhaseMisDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    wholeRecordWishChanged();
}

// However it was closed (its button, the title bar, Escape).
void PhaseMisDlg::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    saveSettings();
    m_task.dropPending();
    wholeRecordWishChanged(); // a whole-record read it asked for ends with it
}
