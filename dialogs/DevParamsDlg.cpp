#include "dialogs/DevParamsDlg.h"

#include "dialogs/ExportToFile.h"
#include "dialogs/RunButton.h"
#include "sources/ui/SettingsDlg.h"

#include <QComboBox>
#include <QDoubleValidator>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QColor PassColour(255, 255, 255);
const QColor FailColour(255, 85, 255);
const QColor HighlightColour(202, 202, 202);

const char *const Headers[] = {"Канал", "SFDR", "SNR", "THD", "THD+N", "ENB"};
const char *const DatasheetHeaders[] = {"SNR (дБFS)", "SINAD (дБFS)", "Шум (дБFS/Гц)",
                                        "Негарм. помеха (дБc)", "Негарм. помеха (дБFS)",
                                        "Негарм. помеха (Гц)"};

// Criteria are edited as numbers only: text the validator does not accept leaves the cell's
// old value in place.
class CriterionDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *edit = new QLineEdit(parent);
        auto *validator = new QDoubleValidator(edit);
        validator->setLocale(QLocale::c());
        validator->setNotation(QDoubleValidator::StandardNotation);
        edit->setValidator(validator);
        edit->setAlignment(Qt::AlignCenter);
        return edit;
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        auto *edit = static_cast<QLineEdit *>(editor);
        bool ok = false;
        const double value = QLocale::c().toDouble(edit->text().trimmed(), &ok);
        if (ok && edit->hasAcceptableInput() && std::isfinite(value))
            model->setData(index, QString::number(value, 'g', 6));
    }
};

QTableWidgetItem *centredItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

DevParamsDlg::DevParamsDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("Измерение параметров устройства"));
    setMinimumSize(525, 349);

    m_pParamsTable = named(new QTableWidget(1, 6), "m_pParamsTable");
    m_pParamsTable->setStyleSheet("gridline-color: #000000");
    m_pParamsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Cell colours are the verdicts; a selection would hide them.
    m_pParamsTable->setSelectionMode(QAbstractItemView::NoSelection);
    m_pParamsTable->verticalHeader()->hide();
    m_pParamsTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    QStringList headers;
    for (const char *h : Headers)
        headers << QString::fromUtf8(h);
    m_pParamsTable->setHorizontalHeaderLabels(headers);
    m_pParamsTable->setItemDelegateForRow(0, new CriterionDelegate(m_pParamsTable));
    QFont bold = font();
    bold.setBold(true);
    m_pParamsTable->setItem(0, 0, centredItem(QString()));
    for (int c = 1; c < 6; ++c) {
        QTableWidgetItem *item = centredItem(QStringLiteral("0"));
        item->setFont(bold);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        m_pParamsTable->setItem(0, c, item);
    }

    m_pSelModeCmbBox = named(new QComboBox, "m_pSelModeCmbBox");
    m_pSelModeCmbBox->addItems({QString::fromUtf8("Не выделять"), QString::fromUtf8("Выделять первый"),
                                QString::fromUtf8("Выделять последний")});
    m_pExcelButton = named(new QPushButton(QString::fromUtf8("В Excel")), "m_pExcelButton");
    m_pStartButton = named(new RunButton, "m_pStartButton");
    auto *cancelButton = named(new QPushButton(QString::fromUtf8("Закрыть")), "cancelButton");

    auto *mode = new QHBoxLayout;
    mode->addWidget(new QLabel(QString::fromUtf8("Выделение неудовл. параметра")));
    mode->addWidget(m_pSelModeCmbBox);
    mode->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_pExcelButton);
    buttons->addStretch(1);
    buttons->addWidget(m_pStartButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("Параметры качества преобразования АЦП")));
    layout->addWidget(m_pParamsTable);
    layout->addLayout(mode);
    layout->addLayout(buttons);

    connect(m_pParamsTable, &QTableWidget::cellDoubleClicked, this, &DevParamsDlg::slotDoubleClicked);
    connect(m_pParamsTable, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (item->row() == 0)
            recolour();
    });
    connect(m_pSelModeCmbBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &DevParamsDlg::recolour);
    connect(m_pStartButton, &QPushButton::clicked, this,
            [this] { requestRun(!m_pStartButton->isRunning()); });
    connect(m_pExcelButton, &QPushButton::clicked, this, &DevParamsDlg::slotWriteToExcel);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::close);
}

void DevParamsDlg::setConfigPath(const QString &sPath)
{
    m_sConfigPath = sPath;
    loadSettings();
}

void DevParamsDlg::loadSettings()
{
    DevParamsSettings s;
    if (!m_sConfigPath.isEmpty())
        s.load(m_sConfigPath);
    setSettings(s);
}

void DevParamsDlg::saveSettings() const
{
    if (!m_sConfigPath.isEmpty())
        settings().save(m_sConfigPath);
}

void DevParamsDlg::setSettings(const DevParamsSettings &s)
{
    {
        const QSignalBlocker blocker(m_pParamsTable);
        for (int f = 0; f < DeviceFigureCount; ++f)
            m_pParamsTable->item(0, f + 1)->setText(QString::number(s.criteria[size_t(f)], 'g', 6));
    }
    m_pSelModeCmbBox->setCurrentIndex(s.selectionMode);
    recolour();
}

DevParamsSettings DevParamsDlg::settings() const
{
    DevParamsSettings s;
    s.criteria = criteria();
    s.selectionMode = m_pSelModeCmbBox->currentIndex();
    return s;
}

DeviceValues DevParamsDlg::criteria() const
{
    DeviceValues c{};
    for (int f = 0; f < DeviceFigureCount; ++f)
        c[size_t(f)] = m_pParamsTable->item(0, f + 1)->text().toDouble();
    return c;
}

void DevParamsDlg::followBlock(const MeasurementContext &context)
{
    const DeviceRows rows = deviceRows(*context.block);
    setChannels(rows.channels);
    updateValues(rows.values);
    m_datasheet = rows.datasheet;
}

void DevParamsDlg::setChannels(const std::vector<int> &channels)
{
    const int n = int(channels.size());
    const QSignalBlocker blocker(m_pParamsTable);
    if (m_pParamsTable->rowCount() != n + 1) {
        m_pParamsTable->setRowCount(n + 1);
        for (int r = 1; r <= n; ++r)
            for (int c = 0; c < 6; ++c)
                m_pParamsTable->setItem(r, c, centredItem(QString()));
        m_values.resize(size_t(n));
    }
    m_channels = channels;
    for (int r = 1; r <= n; ++r)
        m_pParamsTable->item(r, 0)->setText(QString::number(channels[size_t(r - 1)]));
}

void DevParamsDlg::updateValues(const std::vector<DeviceValues> &rows)
{
    m_values.assign(rows.begin(), rows.begin() + std::min<size_t>(rows.size(), size_t(m_pParamsTable->rowCount() - 1)));
    const QSignalBlocker blocker(m_pParamsTable);
    for (size_t r = 0; r < m_values.size(); ++r)
        for (int f = 0; f < DeviceFigureCount; ++f)
            m_pParamsTable->item(int(r) + 1, f + 1)->setText(QString::number(m_values[r][size_t(f)], 'f', 2));
    recolour();
}

void DevParamsDlg::recolour()
{
    const auto verdicts = judgeTable(m_values, criteria(), HighlightMode(m_pSelModeCmbBox->currentIndex()));
    const QSignalBlocker blocker(m_pParamsTable);
    for (size_t r = 0; r < verdicts.size(); ++r)
        for (int f = 0; f < DeviceFigureCount; ++f) {
            const CellVerdict v = verdicts[r][size_t(f)];
            m_pParamsTable->item(int(r) + 1, f + 1)->setBackground(
                v == CellVerdict::Pass ? PassColour : v == CellVerdict::Fail ? FailColour : HighlightColour);
        }
}

void DevParamsDlg::setRunning(bool isRunning) { m_pStartButton->setRunning(isRunning); }

void DevParamsDlg::slotDoubleClicked(int nRow, int nCol)
{
    if (nRow == 0 && nCol > 0)
        m_pParamsTable->editItem(m_pParamsTable->item(nRow, nCol));
}

ExportTable DevParamsDlg::exportTable() const
{
    ExportTable t;
    t.title = QString::fromUtf8("Параметры качества преобразования АЦП");
    for (const char *h : Headers)
        t.headers << QString::fromUtf8(h);
    for (const char *h : DatasheetHeaders)
        t.headers << QString::fromUtf8(h);
    std::vector<ExportCell> crit{ExportCell::label(QString())};
    for (double c : criteria())
        crit.push_back(ExportCell::number(c, 2));
    t.rows.push_back(crit);
    for (size_t r = 0; r < m_values.size(); ++r) {
        std::vector<ExportCell> row{ExportCell::label(QString::number(m_channels[r]))};
        for (double v : m_values[r])
            row.push_back(ExportCell::number(v, 2));
        if (r < m_datasheet.size()) {
            const DatasheetFigures &d = m_datasheet[r];
            for (double v : {d.snr, d.sinad, d.noiseDensity, d.spurLevel, d.spurLevelFs})
                row.push_back(ExportCell::number(v, 2));
            row.push_back(ExportCell::number(d.spurFrequency, 1));
        }
        t.rows.push_back(row);
    }
    return t;
}

void DevParamsDlg::slotWriteToExcel() { exportTableToFile(this, exportTable(), "DevParams"); }

void DevParamsDlg::hideEvent(QHideEvent *event)
{
    // However it was closed ("Закрыть", the title bar, Escape).
    saveSettings();
    QDialog::hideEvent(event);
}
