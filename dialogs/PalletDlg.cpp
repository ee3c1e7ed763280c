#include "dialogs/PalletDlg.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void showColor(QFrame *swatch, QRgb color)
{
    QPalette palette = swatch->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QColor::fromRgb(color));
    swatch->setPalette(palette);
}

} // namespace

PalletDlg::PalletDlg(QWidget *parent) : SettingsDlg(parent)
{
    setWindowTitle(QString::fromUtf8("Палитра"));

    auto *stdButton = named(new QPushButton(QString::fromUtf8("Стандартная палитра")), "m_pStdPalButton");
    auto *ormaButton = named(new QPushButton(QString::fromUtf8("Палитра ORMA 5.11")), "m_pStdOrmaButton");
    connect(stdButton, &QPushButton::clicked, this, &PalletDlg::slotStdPallet);
    connect(ormaButton, &QPushButton::clicked, this, &PalletDlg::slotPal);
    auto *builtInRow = new QHBoxLayout;
    builtInRow->addWidget(stdButton);
    builtInRow->addWidget(ormaButton);
    builtInRow->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildChannelGroup());
    layout->addWidget(buildSingleGroup());
    layout->addLayout(builtInRow);
    layout->addWidget(newButtonBox(QStringLiteral("OK"), QString::fromUtf8("Отмена")));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    paintSwatches();
}

QFrame *PalletDlg::newSwatch()
{
    auto *swatch = new QFrame;
    swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
    swatch->setAutoFillBackground(true);
    swatch->setFixedSize(36, 22);
    swatch->setCursor(Qt::PointingHandCursor);
    swatch->installEventFilter(this);
    return swatch;
}

QWidget *PalletDlg::buildChannelGroup()
{
    constexpr int Columns = 8;
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    for (int nCol = 0; nCol < Columns; ++nCol)
        grid->addWidget(new QLabel(QString::number(nCol)), 0, nCol + 1, Qt::AlignCenter);
    for (int nIdx = 0; nIdx < PaletteSettings::ChannelCount; ++nIdx) {
        const int nRow = nIdx / Columns;
        if (nIdx % Columns == 0)
            grid->addWidget(new QLabel(QString::number(nIdx)), nRow + 1, 0, Qt::AlignRight);
        QFrame *swatch = newSwatch();
        swatch->setObjectName(QStringLiteral("frame_") + QString::number(nIdx));
        swatch->setToolTip(QString::fromUtf8("Канал %1").arg(nIdx));
        grid->addWidget(swatch, nRow + 1, nIdx % Columns + 1);
        m_swatches.append(swatch);
    }
    auto *box = new QGroupBox(QString::fromUtf8("Цвет графиков сигналов (каналов)"));
    box->setLayout(grid);
    return box;
}

QWidget *PalletDlg::buildSingleGroup()
{
    m_pDisplayFrame = named(newSwatch(), "m_pDisplayFrame");
    m_pFftFrame = named(newSwatch(), "m_pFftFrame");
    m_pNetFrame = named(newSwatch(), "m_pNetFrame");
    m_pScaleFrame = named(newSwatch(), "m_pScaleFrame");

    auto *form = new QFormLayout;
    form->addRow(QString::fromUtf8("Экраны"), m_pDisplayFrame);
    form->addRow(QString::fromUtf8("Граница ДПФ"), m_pFftFrame);
    form->addRow(QString::fromUtf8("Координатные сетки"), m_pNetFrame);
    form->addRow(QString::fromUtf8("Граница шкалы"), m_pScaleFrame);
    auto *box = new QGroupBox(QString::fromUtf8("Цвет элементов экрана"));
    box->setLayout(form);
    return box;
}

void PalletDlg::setSettings(const PaletteSettings &settings)
{
    m_palette = settings;
    paintSwatches();
}

void PalletDlg::slotStdPallet()
{
    setSettings(PaletteSettings::standard());
}

void PalletDlg::slotPal()
{
    setSettings(PaletteSettings::orma());
}

void PalletDlg::paintSwatches()
{
    for (int nIdx = 0; nIdx < m_swatches.size(); ++nIdx)
        showColor(m_swatches.at(nIdx), m_palette.channels[size_t(nIdx)]);
    showColor(m_pDisplayFrame, m_palette.display);
    showColor(m_pFftFrame, m_palette.fft);
    showColor(m_pNetFrame, m_palette.net);
    showColor(m_pScaleFrame, m_palette.scale);
}

QRgb *PalletDlg::colorOf(QObject *swatch, QString &sTitle)
{
    const int nChannel = m_swatches.indexOf(static_cast<QFrame *>(swatch));
    if (nChannel >= 0) {
        sTitle = QString::fromUtf8("Выберите цвет канала");
        return &m_palette.channels[size_t(nChannel)];
    }
    if (swatch == m_pDisplayFrame) {
        sTitle = QString::fromUtf8("Выберите цвет экранов");
        return &m_palette.display;
    }
    if (swatch == m_pFftFrame) {
        sTitle = QString::fromUtf8("Выберите цвет границы БПФ");
        return &m_palette.fft;
    }
    sTitle = QString::fromUtf8("Выберите цвет координатных сеток");
    if (swatch == m_pNetFrame)
        return &m_palette.net;
    if (swatch == m_pScaleFrame)
        return &m_palette.scale;
    return nullptr;
}

bool PalletDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonRelease
        || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
        return SettingsDlg::eventFilter(watched, event);
    QString sTitle;
    QRgb *color = colorOf(watched, sTitle);
    if (!color)
        return SettingsDlg::eventFilter(watched, event);
    const QColor chosen = chooseColor(QColor::fromRgb(*color), sTitle);
    if (chosen.isValid() && chosen.rgb() != *color) {
        *color = chosen.rgb();
        paintSwatches();
    }
    return true;
}

QColor PalletDlg::chooseColor(const QColor &current, const QString &sTitle)
{
    return QColorDialog::getColor(current, this, sTitle);
}
