#include "app/FindDlg.h"

#include "app/FindChansDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Group box title and the label of its two criteria (an above and a below one).
struct GroupRow {
    const char *title;
    const char *upLabel;
    const char *lowLabel;
};

const GroupRow kGroups[FindCriterionCount / 2] = {
    {"Уровень", "Выше порога (Вольт)", "Ниже порога (Вольт)"},
    {"Частота", "Выше порога (кГц)", "Ниже порога (кГц)"},
    {"Мощность сигнала", "Выше порога", "Ниже порога"},
    {"Мощность гармоники", "Выше порога", "Ниже порога"},
    {"SFDR", "Выше порога (dB)", "Ниже порога (dB)"},
    {"THD+N", "Выше порога (dB)", "Ниже порога (dB)"},
    {"THD", "Выше порога (dB)", "Ниже порога (dB)"},
    {"SNR", "Выше порога (dB)", "Ниже порога (dB)"},
};

// "UpPowerHarm" -> "m_pUpPowerHarm" + suffix, the designer's names.
QString widgetName(int criterion, const char *suffix)
{
    return QStringLiteral("m_p") + QLatin1String(findCriterionInfo(criterion).key) + QLatin1String(suffix);
}

} // namespace

FindDlg::FindDlg(QWidget *parent) : SettingsDlg(parent)
{
    setWindowTitle(QStringLiteral("Критерии поиска"));
    auto *criteria = new QGridLayout;
    for (int g = 0; g < FindCriterionCount / 2; ++g) {
        auto *box = new QGroupBox(QString::fromUtf8(kGroups[g].title));
        auto *grid = new QGridLayout(box);
        for (int side = 0; side < 2; ++side) {
            const int i = 2 * g + side;
            const FindCriterionInfo &info = findCriterionInfo(i);
            auto *check = new QCheckBox(QString::fromUtf8(side == 0 ? kGroups[g].upLabel : kGroups[g].lowLabel));
            check->setObjectName(widgetName(i, "ChkBox"));
            auto *spin = new QDoubleSpinBox;
            spin->setObjectName(widgetName(i, "Spin"));
            spin->setDecimals(3);
            spin->setRange(info.min, info.max);
            spin->setMinimumWidth(110);
            grid->addWidget(check, side, 0);
            grid->addWidget(spin, side, 1);
            m_checks[size_t(i)] = check;
            m_spins[size_t(i)] = spin;
            if (info.isLevelUnit) {
                auto *dim = new QComboBox;
                dim->setObjectName(widgetName(i, "Dim"));
                dim->addItems(levelUnitTexts());
                grid->addWidget(dim, side, 2);
                m_dims[size_t(i - FindUpPower)] = dim;
                connect(dim, &QComboBox::currentTextChanged, this, &FindDlg::slotChanged);
            }
        }
        criteria->addWidget(box, g / 2, g % 2);
    }

    auto *channels = new QGroupBox(QStringLiteral("Каналы"));
    auto *channelsLayout = new QGridLayout(channels);
    m_pCurChanRadioBtn = named(new QRadioButton(QStringLiteral("Текущий канал")), "m_pCurChanRadioBtn");
    m_pExtFindRadioBtn = named(new QRadioButton(QStringLiteral("Поиск в нескольких каналах")), "m_pExtFindRadioBtn");
    m_pChangeChansButton = named(new QPushButton(QStringLiteral("Изменить каналы для поиска...")), "m_pChangeChansButton");
    m_pInfoLabel = named(new QLabel, "m_pInfoLabel");
    m_pInfoLabel->setWordWrap(true);
    m_pAutoOpenChkBox = named(new QCheckBox(QStringLiteral("Выводить панель при включении режима")), "m_pAutoOpenChkBox");
    channelsLayout->addWidget(m_pCurChanRadioBtn, 0, 0);
    channelsLayout->addWidget(m_pExtFindRadioBtn, 1, 0);
    channelsLayout->addWidget(m_pChangeChansButton, 1, 1);
    channelsLayout->addWidget(m_pInfoLabel, 2, 0, 1, 2);
    channelsLayout->addWidget(m_pAutoOpenChkBox, 3, 0, 1, 2);
    m_pCurChanRadioBtn->setChecked(true);
    connect(m_pCurChanRadioBtn, &QRadioButton::toggled, this, &FindDlg::slotToggled);
    connect(m_pChangeChansButton, &QPushButton::clicked, this, &FindDlg::slotShowFindChansDlg);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(criteria);
    layout->addWidget(channels);
    layout->addWidget(newButtonBox(QStringLiteral("OK"), QStringLiteral("Отмена")));
    setSettings(FindSettings());
}

void FindDlg::load()
{
    FindSettings settings;
    settings.load(m_sConfigPath);
    setSettings(settings);
}

void FindDlg::save() const
{
    if (!m_sConfigPath.isEmpty())
        settings().save(m_sConfigPath);
}

void FindDlg::accept()
{
    save();
    SettingsDlg::accept();
}

void FindDlg::setSettings(const FindSettings &settings)
{
    for (int i = 0; i < FindCriterionCount; ++i) {
        m_checks[size_t(i)]->setChecked(settings.enabled[size_t(i)]);
        if (findCriterionInfo(i).isLevelUnit) {
            QComboBox *dim = m_dims[size_t(i - FindUpPower)];
            const QSignalBlocker blocker(dim);
            dim->setCurrentIndex(settings.levelUnit(i));
            m_lastUnits[size_t(i - FindUpPower)] = settings.levelUnit(i);
        }
        m_spins[size_t(i)]->setValue(settings.threshold[size_t(i)]);
    }
    m_pAutoOpenChkBox->setChecked(settings.autoOpen);
    (settings.currentChannel ? m_pCurChanRadioBtn : m_pExtFindRadioBtn)->setChecked(true);
    m_lSelected = settings.channels;
    refresh();
}

FindSettings FindDlg::settings() const
{
    FindSettings s;
    for (int i = 0; i < FindCriterionCount; ++i) {
        s.enabled[size_t(i)] = m_checks[size_t(i)]->isChecked();
        s.threshold[size_t(i)] = m_spins[size_t(i)]->value();
    }
    for (size_t d = 0; d < m_dims.size(); ++d)
        s.levelUnits[d] = std::max(0, m_dims[d]->currentIndex());
    s.autoOpen = m_pAutoOpenChkBox->isChecked();
    s.currentChannel = m_pCurChanRadioBtn->isChecked();
    s.channels = m_lAvailable.isEmpty() ? m_lSelected : selection();
    return s;
}

void FindDlg::setAvailableChannels(const QList<int> &channels)
{
    m_lAvailable = channels;
    refresh();
}

bool FindDlg::isCriterionEnabled(int nIdx) const { return m_checks.at(size_t(nIdx))->isChecked(); }
double FindDlg::threshold(int nIdx) const { return m_spins.at(size_t(nIdx))->value(); }
bool FindDlg::autoOpen() const { return m_pAutoOpenChkBox->isChecked(); }
bool FindDlg::isCurrentChannel() const { return m_pCurChanRadioBtn->isChecked(); }
QString FindDlg::infoText() const { return m_pInfoLabel->text(); }

QString FindDlg::unitText(int nIdx) const
{
    return m_dims.at(size_t(nIdx - FindUpPower))->currentText();
}

void FindDlg::selectUnit(int nIdx, const QString &sText)
{
    QComboBox *dim = m_dims.at(size_t(nIdx - FindUpPower));
    const int unit = dim->findText(sText);
    if (unit >= 0)
        dim->setCurrentIndex(unit);
}

QList<int> FindDlg::searchChannels() const
{
    return isCurrentChannel() ? QList<int>() : selection();
}

QList<int> FindDlg::selection() const
{
    FindSettings stored;
    stored.channels = m_lSelected;
    return stored.selectedChannels(m_lAvailable);
}

void FindDlg::slotChanged(QString sDim)
{
    const auto found = std::find(m_dims.begin(), m_dims.end(), qobject_cast<QComboBox *>(sender()));
    const int unit = levelUnitOf(sDim);
    if (found == m_dims.end() || unit < 0)
        return;
    const size_t d = size_t(found - m_dims.begin());
    QDoubleSpinBox *spin = m_spins[size_t(FindUpPower) + d];
    const double volts = levelToRmsVolts(spin->value(), m_lastUnits[d], m_nImpedance);
    spin->setValue(rmsVoltsToLevel(volts, unit, m_nImpedance, LevelThresholdLimit));
    m_lastUnits[d] = unit;
}

void FindDlg::slotToggled(bool isState)
{
    Q_UNUSED(isState);
    refresh();
}

void FindDlg::slotShowFindChansDlg()
{
    FindChansDlg dialog(m_lAvailable, selection(), this);
    dialog.setFont(font());
    if (dialog.exec() == QDialog::Accepted) {
        m_lSelected = dialog.selected();
        refresh();
    }
}

void FindDlg::refresh()
{
    const bool current = m_pCurChanRadioBtn->isChecked();
    m_pChangeChansButton->setEnabled(!current);
    QString text;
    if (current) {
        text = QStringLiteral("Поиск в текущем канале.");
    } else if (selection().size() == m_lAvailable.size()) {
        text = QStringLiteral("Поиск во всех каналах.");
    } else {
        text = QStringLiteral("Поиск в каналах:");
        for (int channel : selection())
            text += QStringLiteral(" %1,").arg(channel);
        text += QLatin1Char('.');
        text.replace(QStringLiteral(",."), QStringLiteral("."));
    }
    m_pInfoLabel->setText(text);
}
