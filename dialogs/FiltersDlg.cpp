#include "dialogs/FiltersDlg.h"

#include "dialogs/ExportToFile.h"
#include "sources/BlockFilter.h"
#include "sources/export/FilterExport.h"
#include "sources/settings/FilterSettings.h"
#include "sources/ui/SettingsDlg.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QComboBox *combo(const char *sName, std::initializer_list<const char *> items)
{
    auto *box = named(new QComboBox, sName);
    for (const char *item : items)
        box->addItem(QString::fromUtf8(item));
    return box;
}

QDoubleSpinBox *realSpin(const char *sName, double dMax, double dValue)
{
    auto *spin = named(new QDoubleSpinBox, sName);
    spin->setDecimals(3);
    spin->setRange(0.0, dMax);
    spin->setValue(dValue);
    return spin;
}

QFormLayout *newForm(QWidget *page)
{
    auto *form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignLeft);
    return form;
}

} // namespace

FiltersDlg::FiltersDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("Параметры фильтрации"));

    m_pFilterTypeCmbBox = combo("m_pFilterTypeCmbBox", {"КИХ (FIR)", "БИХ (IIR)"});
    m_pFilterFunctionCmbBox =
        combo("m_pFilterFunctionCmbBox", {"ФНЧ", "ФВЧ", "Полосовой", "Режекторный"});
    auto *top = new QFormLayout;
    top->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    top->addRow(QString::fromUtf8("Тип фильтра"), m_pFilterTypeCmbBox);
    top->addRow(QString::fromUtf8("Функция фильтра"), m_pFilterFunctionCmbBox);

    tabWidget = named(new QTabWidget, "tabWidget");
    m_pFirTab = named(buildFirTab(), "m_pFirTab");
    m_pIirTab = named(buildIirTab(), "m_pIirTab");
    tabWidget->addTab(m_pFirTab, QString::fromUtf8("КИХ (FIR)"));
    tabWidget->addTab(m_pIirTab, QString::fromUtf8("БИХ (IIR)"));
    tabWidget->setCurrentIndex(IirTab);

    // Why the filter cannot be applied: the rule a field breaks, or what the last block met.
    m_pStatusLabel = named(new QLabel, "m_pStatusLabel");
    m_pStatusLabel->setWordWrap(true);
    m_pStatusLabel->setStyleSheet(QStringLiteral("color: #b00000"));
    m_pStatusLabel->setMinimumWidth(360);

    // Why every field is greyed: the switch that enables them is not in the dialog.
    m_pSwitchNoteLabel = named(new QLabel(QString::fromUtf8(
                                   "Поля доступны, пока фильтрация включена кнопкой "
                                   "«Включить фильтрацию» на панели инструментов")),
                               "m_pSwitchNoteLabel");
    m_pSwitchNoteLabel->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pSwitchNoteLabel);
    layout->addLayout(top);
    layout->addWidget(tabWidget);
    layout->addWidget(m_pStatusLabel);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connectChanges();
    connect(m_pFilterTypeCmbBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &FiltersDlg::slotFilterTypeChange);
    for (QComboBox *box : {m_pFilterFunctionCmbBox, m_pFirFilterCmbBox, m_pIirFilterCmbBox})
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &FiltersDlg::slotEnableWidgets);
    connect(m_pWriteExcelButton, &QPushButton::clicked, this, &FiltersDlg::slotWriteExcel);
    slotEnableWidgets();
    showStatus();
}

QWidget *FiltersDlg::buildFirTab()
{
    auto *page = new QWidget;
    m_pFirFilterCmbBox = combo("m_pFirFilterCmbBox", {"Кайзер", "Окно"});
    m_pFirWindowCmbBox = combo("m_pFirWindowCmbBox",
                               {"Прямоугольное", "Треугольное", "Хэннинг", "Хэмминг", "Блэкман"});
    m_pFirLengthSpin = named(new QSpinBox, "m_pFirLengthSpin");
    m_pFirLengthSpin->setRange(0, FilterSettings::MaxFirLength);
    m_pFirLengthSpin->setValue(200);
    m_pFirLengthSpin->setToolTip(
        QString::fromUtf8("Число отсчетов, нечетное (четное увеличивается на 1), не более %1:\n"
                          "фильтр из миллиона отсчетов уже требует преобразования в 4М точек\n"
                          "(около 100 МБ) на каждый канал")
            .arg(FilterSettings::MaxFirLength));
    m_pFirBetaKaiserSpin = realSpin("m_pFirBetaKaiserSpin", FilterSettings::MaxKaiserBeta, 0.0);
    m_pFirLowFreqSpin = realSpin("m_pFirLowFreqSpin", FilterSettings::MaxFreqKhz, 10.0);
    m_pFirUpFreqSpin = realSpin("m_pFirUpFreqSpin", FilterSettings::MaxFreqKhz, 20.0);

    QFormLayout *form = newForm(page);
    form->addRow(QString::fromUtf8("Тип фильтра"), m_pFirFilterCmbBox);
    form->addRow(QString::fromUtf8("Тип Окна"), m_pFirWindowCmbBox);
    form->addRow(QString::fromUtf8("Длительность имп. характеристики"), m_pFirLengthSpin);
    form->addRow(QString::fromUtf8("Бета Кайзера"), m_pFirBetaKaiserSpin);
    form->addRow(QString::fromUtf8("Нижняя частота среза (кГц)"), m_pFirLowFreqSpin);
    form->addRow(QString::fromUtf8("Верхняя частота среза (кГц)"), m_pFirUpFreqSpin);
    return page;
}

QWidget *FiltersDlg::buildIirTab()
{
    auto *page = new QWidget;
    m_pIirFilterCmbBox = combo("m_pIirFilterCmbBox", {"Баттерворта", "Чебышева", "Инв. Чебышева",
                                                      "Эллиптический", "Бесселя"});
    m_pIirOrderSpin = named(new QSpinBox, "m_pIirOrderSpin");
    m_pIirOrderSpin->setRange(0, FilterSettings::MaxIirOrder);
    m_pIirOrderSpin->setValue(5);
    m_pIirOrderSpin->setToolTip(
        QString::fromUtf8("Порядок фильтра-прототипа: до %1, у фильтра Бесселя до %2;\n"
                          "полосовой и режекторный фильтры имеют вдвое больше полюсов")
            .arg(maxIirOrder(0))
            .arg(maxIirOrder(4)));
    m_pIirLowFreqSpin = realSpin("m_pIirLowFreqSpin", FilterSettings::MaxFreqKhz, 20.0);
    m_pIirUpFreqSpin = realSpin("m_pIirUpFreqSpin", FilterSettings::MaxFreqKhz, 30.0);
    m_pIirPulseSpin = realSpin("m_pIirPulseSpin", FilterSettings::MaxLevelDb, 0.5);
    m_pIirDepresionSpin = realSpin("m_pIirDepresionSpin", FilterSettings::MaxLevelDb, 40.0);
    m_pWriteExcelButton = named(new QPushButton(QString::fromUtf8("Запись")), "m_pWriteExcelButton");

    QFormLayout *form = newForm(page);
    form->addRow(QString::fromUtf8("Тип фильтра"), m_pIirFilterCmbBox);
    form->addRow(QString::fromUtf8("Порядок фильтра"), m_pIirOrderSpin);
    m_pIirLowFreqLabel = named(new QLabel, "m_pIirLowFreqLabel");
    m_pIirUpFreqLabel = named(new QLabel, "m_pIirUpFreqLabel");
    form->addRow(m_pIirLowFreqLabel, m_pIirLowFreqSpin);
    form->addRow(m_pIirUpFreqLabel, m_pIirUpFreqSpin);
    form->addRow(QString::fromUtf8("Пульсации (дБ)"), m_pIirPulseSpin);
    form->addRow(QString::fromUtf8("Подавление (дБ)"), m_pIirDepresionSpin);
    form->addRow(QString::fromUtf8("Параметры в Excel"), m_pWriteExcelButton);
    return page;
}

void FiltersDlg::connectChanges()
{
    for (QComboBox *box : findChildren<QComboBox *>())
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &FiltersDlg::paramsChanged);
    for (QSpinBox *spin : findChildren<QSpinBox *>())
        connect(spin, qOverload<int>(&QSpinBox::valueChanged), this, &FiltersDlg::paramsChanged);
    for (QDoubleSpinBox *spin : findChildren<QDoubleSpinBox *>())
        connect(spin, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
                &FiltersDlg::paramsChanged);
}

void FiltersDlg::paramsChanged()
{
    if (m_isFilling)
        return;
    m_sBlockStatus.clear(); // it was about the parameters before this change
    showStatus();
    emit signalParamsChange();
}

void FiltersDlg::load()
{
    FilterSettings settings;
    settings.load(m_sConfigPath);
    setFilterParams(settings.params);
}

void FiltersDlg::save() const
{
    if (m_sConfigPath.isEmpty())
        return;
    FilterSettings settings;
    settings.params = filterParams();
    settings.save(m_sConfigPath);
}

void FiltersDlg::setSampleRate(double dRate)
{
    m_dSampleRate = dRate;
    showStatus();
}

void FiltersDlg::setBlockStatus(const QString &sStatus)
{
    m_sBlockStatus = sStatus;
    showStatus();
}

void FiltersDlg::showStatus()
{
    QString text = checkFilterParams(filterParams(), m_dSampleRate);
    if (text.isEmpty())
        text = m_sBlockStatus;
    m_pStatusLabel->setText(text);
}

void FiltersDlg::setFilterParams(const FilterParams &p)
{
    m_isFilling = true;
    m_pFilterTypeCmbBox->setCurrentIndex(p.filterType);
    m_pFilterFunctionCmbBox->setCurrentIndex(p.filterFunction);
    m_pFirFilterCmbBox->setCurrentIndex(p.firFilter);
    m_pFirWindowCmbBox->setCurrentIndex(p.firWindow);
    m_pFirLengthSpin->setValue(p.firLength);
    m_pFirBetaKaiserSpin->setValue(p.firBetaKaiser);
    m_pFirLowFreqSpin->setValue(p.firLowFreq);
    m_pFirUpFreqSpin->setValue(p.firUpFreq);
    m_pIirFilterCmbBox->setCurrentIndex(int(p.iirFilter));
    m_pIirOrderSpin->setValue(p.iirOrder);
    m_pIirLowFreqSpin->setValue(p.iirLowFreq);
    m_pIirUpFreqSpin->setValue(p.iirUpFreq);
    m_pIirPulseSpin->setValue(p.iirPulse);
    m_pIirDepresionSpin->setValue(p.iirDepresion);
    m_isFilling = false;
    // The tab follows the type, also when the type's index did not change.
    slotFilterTypeChange(m_pFilterTypeCmbBox->currentIndex());
    paramsChanged();
}

FilterParams FiltersDlg::filterParams() const
{
    FilterParams p;
    p.filterType = uint8_t(m_pFilterTypeCmbBox->currentIndex());
    p.filterFunction = uint8_t(m_pFilterFunctionCmbBox->currentIndex());
    p.firFilter = uint8_t(m_pFirFilterCmbBox->currentIndex());
    p.firWindow = uint8_t(m_pFirWindowCmbBox->currentIndex());
    p.firLength = m_pFirLengthSpin->value();
    if (p.firLength % 2 == 0)
        ++p.firLength;
    p.firBetaKaiser = float(m_pFirBetaKaiserSpin->value());
    p.firLowFreq = float(m_pFirLowFreqSpin->value());
    p.firUpFreq = float(m_pFirUpFreqSpin->value());
    p.iirFilter = uint32_t(m_pIirFilterCmbBox->currentIndex());
    p.iirOrder = m_pIirOrderSpin->value();
    p.iirLowFreq = float(m_pIirLowFreqSpin->value());
    p.iirUpFreq = float(m_pIirUpFreqSpin->value());
    p.iirPulse = float(m_pIirPulseSpin->value());
    p.iirDepresion = float(m_pIirDepresionSpin->value());
    p.filterId = filterIdOf(p);
    return p;
}

void FiltersDlg::slotEnableChange(int nIdx)
{
    if (nIdx) {
        const int tab = m_pFilterTypeCmbBox->currentIndex();
        tabWidget->setTabEnabled(tab, true);
        tabWidget->setCurrentIndex(tab);
    } else {
        tabWidget->setTabEnabled(FirTab, false);
        tabWidget->setTabEnabled(IirTab, false);
    }
    slotEnableWidgets();
}

void FiltersDlg::slotFilterTypeChange(int nIdx)
{
    tabWidget->setTabEnabled(nIdx, true);
    tabWidget->setCurrentIndex(nIdx);
    tabWidget->setTabEnabled(nIdx == FirTab ? IirTab : FirTab, false);
    slotEnableWidgets();
}

void FiltersDlg::slotEnableWidgets()
{
    const bool twoEdges = m_pFilterFunctionCmbBox->currentIndex() >= 2;
    if (tabWidget->isTabEnabled(FirTab)) {
        const bool window = m_pFirFilterCmbBox->currentIndex() == 1;
        m_pFirWindowCmbBox->setEnabled(window);
        m_pFirBetaKaiserSpin->setEnabled(!window);
        m_pFirUpFreqSpin->setEnabled(twoEdges);
    }
    if (tabWidget->isTabEnabled(IirTab)) {
        const int family = m_pIirFilterCmbBox->currentIndex();
        m_pIirPulseSpin->setEnabled(family == 1 || family == 3);
        m_pIirDepresionSpin->setEnabled(family == 2 || family == 3);
        m_pIirUpFreqSpin->setEnabled(twoEdges);
    }
    labelIirEdges();
    m_pSwitchNoteLabel->setVisible(!tabWidget->isTabEnabled(FirTab) &&
                                   !tabWidget->isTabEnabled(IirTab));
}

void FiltersDlg::labelIirEdges()
{
    // The inverse Chebyshev is designed from its stop-band edge (where the attenuation is
    // reached), every other family from its pass-band edge.
    const bool stopEdge = m_pIirFilterCmbBox->currentIndex() == IirInverseChebyshev;
    const char *edge = stopEdge ? "граница подавления" : "частота среза";
    m_pIirLowFreqLabel->setText(QString::fromUtf8("Нижняя %1 (кГц)").arg(QString::fromUtf8(edge)));
    m_pIirUpFreqLabel->setText(QString::fromUtf8("Верхняя %1 (кГц)").arg(QString::fromUtf8(edge)));
    const QString tip = stopEdge ? QString::fromUtf8(
                                       "Край полосы подавления: с этой частоты ослабление не "
                                       "меньше заданного подавления")
                                 : QString::fromUtf8("Край полосы пропускания");
    for (QWidget *w : std::initializer_list<QWidget *>{m_pIirLowFreqLabel, m_pIirLowFreqSpin,
                                                        m_pIirUpFreqLabel, m_pIirUpFreqSpin})
        w->setToolTip(tip);
}

void FiltersDlg::slotWriteExcel()
{
    // The IIR of the second tab, whichever type is in use.
    FilterParams p = filterParams();
    p.filterType = 1;
    p.filterId = filterIdOf(p);
    const FilterDesign design = designFilter(p, m_dSampleRate);
    if (!design.ok()) {
        QMessageBox::warning(this, QStringLiteral("ORMA"),
                             QString::fromUtf8("Фильтр не построен, записывать нечего.\n") +
                                 design.error);
        return;
    }
    exportTableToFile(this, iirExportTable(p, m_dSampleRate, design.sections), iirFilterTitle(p));
}

void FiltersDlg::closeEvent(QCloseEvent *event)
{
    save();
    QDialog::closeEvent(event);
}

void FiltersDlg::reject()
{
    save(); // Esc hides the dialog without a close event
    QDialog::reject();
}
