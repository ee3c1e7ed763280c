#include "panels/OrmaPanelForm.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpacerItem>
#include <QToolButton>
#include <QStyle>
#include <QVBoxLayout>

#include "panels/ComboBoxInc.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaTitle.h"
#include "plot/OrmaPlot.h"

namespace {

// A read-out that asks for the width of its widest expected text at the font it has now,
// whatever font the user picks, so that no figure is cut while the window has the room; a
// window made very narrow may still squeeze it to half.
class ReadoutEdit : public QLineEdit {
public:
    ReadoutEdit(QWidget *parent, const QString &widest) : QLineEdit(parent), m_widest(widest)
    {
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override
    {
        // The frame, the text margins and the cursor's room on either side of the text.
        const int chrome = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) +
                           textMargins().left() + textMargins().right() + 8;
        return QSize(fontMetrics().horizontalAdvance(m_widest) + chrome, 22);
    }
    QSize minimumSizeHint() const override
    {
        const QSize full = sizeHint();
        return QSize(full.width() / 2, full.height());
    }

private:
    QString m_widest;
};

QLineEdit *readout(QWidget *parent, const char *name, const char *widest)
{
    auto *edit = new ReadoutEdit(parent, QString::fromLatin1(widest));
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    return edit;
}

QLabel *label(QWidget *parent, const QString &text, const char *name = "")
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QHBoxLayout *row(QWidget *owner, int spacing = 3)
{
    auto *layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QToolButton *toolButton(QWidget *parent, const char *name, const char *icon, const QString &tip)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(QIcon(QString::fromLatin1(icon)));
    b->setIconSize(QSize(18, 18));
    b->setFixedSize(26, 24);
    b->setToolTip(tip);
    return b;
}

} // namespace

namespace Ui {

void OrmaPanel::setupUi(QWidget *panel)
{
    if (panel->objectName().isEmpty())
        panel->setObjectName(QStringLiteral("OrmaPanel"));
    QFont font;
    font.setFamily(QStringLiteral("Verdana"));
    panel->setFont(font);

    m_pOuterLayout = new QVBoxLayout(panel);
    m_pOuterLayout->setContentsMargins(0, 0, 0, 0);
    m_pFrame = new QFrame(panel);
    m_pFrame->setObjectName(QStringLiteral("m_pFrame"));
    m_pFrame->setFrameShape(QFrame::Box);
    m_pFrame->setFrameShadow(QFrame::Plain);
    m_pFrame->setLineWidth(1);
    m_pOuterLayout->addWidget(m_pFrame);
    m_pFrameLayout = new QVBoxLayout(m_pFrame);
    m_pFrameLayout->setContentsMargins(4, 4, 4, 2);
    m_pFrameLayout->setSpacing(2);

    // --- read-outs and scale choosers above the plot ------------------------------------
    m_pTopLayout = new QHBoxLayout();
    m_pTopLayout->setSpacing(4);
    m_pFrameLayout->addLayout(m_pTopLayout);

    m_pCyclesFrame = new QFrame(m_pFrame);
    m_pCyclesFrame->setObjectName(QStringLiteral("m_pCyclesFrame"));
    QHBoxLayout *cycles = row(m_pCyclesFrame);
    cycles->addWidget(label(m_pCyclesFrame, QStringLiteral("Число циклов")));
    m_pCyclesEdit = readout(m_pCyclesFrame, "m_pCyclesEdit", "999999");
    cycles->addWidget(m_pCyclesEdit);
    m_pTopLayout->addWidget(m_pCyclesFrame);

    m_pChanLabel = label(m_pFrame, QStringLiteral("Канал"), "m_pChanLabel");
    m_pTopLayout->addWidget(m_pChanLabel);
    m_pChanEdit = readout(m_pFrame, "m_pChanEdit", "999");
    m_pTopLayout->addWidget(m_pChanEdit);

    m_pMinMaxWidget = new QWidget(m_pFrame);
    m_pMinMaxWidget->setObjectName(QStringLiteral("m_pMinMaxWidget"));
    QHBoxLayout *minMax = row(m_pMinMaxWidget);
    minMax->addWidget(label(m_pMinMaxWidget, QStringLiteral("Min")));
    m_pMinEdit = readout(m_pMinMaxWidget, "m_pMinEdit", "-8388608");
    minMax->addWidget(m_pMinEdit);
    minMax->addWidget(label(m_pMinMaxWidget, QStringLiteral("Max")));
    m_pMaxEdit = readout(m_pMinMaxWidget, "m_pMaxEdit", "-8388608");
    minMax->addWidget(m_pMaxEdit);
    m_pTopLayout->addWidget(m_pMinMaxWidget);

    m_pMarkerXLabel = label(m_pFrame, QStringLiteral("x="), "m_pMarkerXLabel");
    m_pMarkerXLabel->setToolTip(QStringLiteral("Положение / расстояние между маркерами"));
    m_pTopLayout->addWidget(m_pMarkerXLabel);
    m_pMarkerXEdit = readout(m_pFrame, "m_pMarkerXEdit", "-8388608");
    m_pTopLayout->addWidget(m_pMarkerXEdit);
    m_pMarkerYLabel = label(m_pFrame, QStringLiteral("y="), "m_pMarkerYLabel");
    m_pMarkerYLabel->setToolTip(m_pMarkerXLabel->toolTip());
    m_pTopLayout->addWidget(m_pMarkerYLabel);
    m_pMarkerYEdit = readout(m_pFrame, "m_pMarkerYEdit", "-8388608");
    m_pTopLayout->addWidget(m_pMarkerYEdit);
    m_pTopLayout->addStretch(1);

    m_pScaleXLabel = label(m_pFrame, QStringLiteral("X : X"), "m_pScaleXLabel");
    m_pTopLayout->addWidget(m_pScaleXLabel);
    m_pScaleXCmbBox = new ComboBoxInc(m_pFrame);
    m_pScaleXCmbBox->setObjectName(QStringLiteral("m_pScaleXCmbBox"));
    m_pTopLayout->addWidget(m_pScaleXCmbBox);
    m_pScaleYLabel = label(m_pFrame, QStringLiteral("Y : Y"), "m_pScaleYLabel");
    m_pTopLayout->addWidget(m_pScaleYLabel);
    m_pScaleYCmbBox = new ComboBoxInc(m_pFrame);
    m_pScaleYCmbBox->setObjectName(QStringLiteral("m_pScaleYCmbBox"));
    m_pTopLayout->addWidget(m_pScaleYCmbBox);
    m_pUndoButton = toolButton(m_pFrame, "m_pUndoButton", ":/OrmaPanel/Resources/undo.png",
                               QStringLiteral("Отменить действие"));
    m_pTopLayout->addWidget(m_pUndoButton);
    m_pAutoScaleButton = toolButton(m_pFrame, "m_pAutoScaleButton", ":/OrmaPanel/Resources/undoall.png",
                                    QStringLiteral("Показать весь график"));
    m_pTopLayout->addWidget(m_pAutoScaleButton);

    // --- the plot with its axis title, and the position slider --------------------------
    m_pPlotLayout = new QHBoxLayout();
    m_pPlotLayout->setSpacing(0);
    m_pFrameLayout->addLayout(m_pPlotLayout, 1);
    m_pVerticalTitle = new OrmaTitle(m_pFrame);
    m_pVerticalTitle->setObjectName(QStringLiteral("m_pVerticalTitle"));
    m_pPlotLayout->addWidget(m_pVerticalTitle);
    m_pPlot = new OrmaPlot(m_pFrame);
    m_pPlot->setObjectName(QStringLiteral("m_pPlot"));
    m_pPlotLayout->addWidget(m_pPlot, 1);

    m_pSlider = new OrmaSlider(m_pFrame);
    m_pSlider->setObjectName(QStringLiteral("m_pSlider"));
    m_pFrameLayout->addWidget(m_pSlider);

    // --- x title with the frequency read-out, measurements, sample rate -----------------
    m_pBottomLayout = new QHBoxLayout();
    m_pBottomLayout->setSpacing(4);
    m_pFrameLayout->addLayout(m_pBottomLayout);
    m_pBottomLayout->addStretch(1);
    m_pHorizontalTitle = label(m_pFrame, QString(), "m_pHorizontalTitle");
    m_pBottomLayout->addWidget(m_pHorizontalTitle);
    m_pValueEdit = readout(m_pFrame, "m_pValueEdit", "-8388608");
    m_pValueEdit->setMaxLength(9);
    m_pBottomLayout->addWidget(m_pValueEdit);
    m_pHorizontalDimension = label(m_pFrame, QString(), "m_pHorizontalDimension");
    m_pBottomLayout->addWidget(m_pHorizontalDimension);
    m_pBottomLayout->addStretch(1);

    m_pDynParamFrame = new QFrame(m_pFrame);
    m_pDynParamFrame->setObjectName(QStringLiteral("m_pDynParamFrame"));
    QHBoxLayout *dyn = row(m_pDynParamFrame);
    dyn->setContentsMargins(3, 1, 3, 1);
    const struct {
        const char *text;
        const char *name;
        QLineEdit **edit;
    } figures[] = {{"SFDR", "m_pSfdrEdit", &m_pSfdrEdit},
                   {"SNR", "m_pSnrEdit", &m_pSnrEdit},
                   {"THD", "m_pThdEdit", &m_pThdEdit},
                   {"THD+N", "m_pThdnEdit", &m_pThdnEdit},
                   {"ENB", "m_pEnbEdit", &m_pEnbEdit}};
    for (const auto &f : figures) {
        dyn->addWidget(label(m_pDynParamFrame, QString::fromLatin1(f.text)));
        *f.edit = readout(m_pDynParamFrame, f.name, "-200.00");
        dyn->addWidget(*f.edit);
    }
    m_pBottomLayout->addWidget(m_pDynParamFrame);

    m_pPowerFrame = new QFrame(m_pFrame);
    m_pPowerFrame->setObjectName(QStringLiteral("m_pPowerFrame"));
    QHBoxLayout *power = row(m_pPowerFrame);
    m_pHarmCmbBox = new QComboBox(m_pPowerFrame);
    m_pHarmCmbBox->setObjectName(QStringLiteral("m_pHarmCmbBox"));
    m_pHarmCmbBox->addItems({QStringLiteral("Гармоника"), QStringLiteral("Диапазон"), QStringLiteral("Плотность")});
    power->addWidget(m_pHarmCmbBox);
    m_pPowerEdit = readout(m_pPowerFrame, "m_pPowerEdit", "-999.99");
    m_pPowerEdit->setMaxLength(7);
    power->addWidget(m_pPowerEdit);
    m_pDimCmbBox = new QComboBox(m_pPowerFrame);
    m_pDimCmbBox->setObjectName(QStringLiteral("m_pDimCmbBox"));
    m_pDimCmbBox->addItems({QStringLiteral("dB/max"), QStringLiteral("dB"), QStringLiteral("dBm"),
                            QStringLiteral("dBuV"), QStringLiteral("В(ампл)"), QStringLiteral("В(эфф)"),
                            QStringLiteral("мВ(эфф)"), QStringLiteral("мкВ(эфф)"), QStringLiteral("dBFS")});
    power->addWidget(m_pDimCmbBox);
    m_pBottomLayout->addWidget(m_pPowerFrame);
    m_pPowerSpacer = new QSpacerItem(23, 10, QSizePolicy::Fixed, QSizePolicy::Minimum);
    m_pBottomLayout->addItem(m_pPowerSpacer);

    m_pSampleFreqWidget = new QWidget(m_pFrame);
    m_pSampleFreqWidget->setObjectName(QStringLiteral("m_pSampleFreqWidget"));
    QHBoxLayout *rate = row(m_pSampleFreqWidget);
    m_pHorizontalTitle_2 = label(m_pSampleFreqWidget, QStringLiteral("Частота дискретизации"), "m_pHorizontalTitle_2");
    rate->addWidget(m_pHorizontalTitle_2);
    m_pSampleRateEdit = readout(m_pSampleFreqWidget, "m_pSampleRateEdit", "999999.999");
    m_pSampleRateEdit->setMaxLength(9);
    rate->addWidget(m_pSampleRateEdit);
    m_pHorizontalDimension_2 = label(m_pSampleFreqWidget, QStringLiteral("кГц"), "m_pHorizontalDimension_2");
    rate->addWidget(m_pHorizontalDimension_2);
    m_pBottomLayout->addWidget(m_pSampleFreqWidget);
}

} // namespace Ui
