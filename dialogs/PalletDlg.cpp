#include "dialogs/PalletDlg.h"

#include "sources/IniFile.h"

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

// Entries 8 to 63, the same in both built-in palettes.
const uint32_t CommonChannels[Palette::ChannelCount - 8] = {
    0xCC33CC, 0xFF6633, 0xFF99CC, 0x669999, 0xFFCCCC, 0xCCFFFF, 0x9999CC, 0xCC3300,
    0x996600, 0xA0A0A0, 0xCCCC99, 0x9966CC, 0xCC9966, 0x6633CC, 0x99CCCC, 0x99FFCC,
    0x990099, 0x996600, 0x999933, 0xCCCC00, 0xFFFFCC, 0x6699CC, 0xFF3399, 0x9999CC,
    0xCC9933, 0xCC9999, 0x999999, 0x99CC99, 0x99CCCC, 0xFFCCFF, 0x33CCCC, 0xCCFFFF,
    0x660099, 0xCC9900, 0x99CC99, 0x33CC99, 0x9933FF, 0xCC9900, 0x9966CC, 0x3399CC,
    0x999966, 0x3300CC, 0x00CC33, 0xCC9900, 0x996600, 0xCC33FF, 0xCC99CC, 0x0033CC,
    0xCC0033, 0x009999, 0x66CCCC, 0x9933CC, 0x66FFFF, 0xFF00CC, 0x009999, 0xFF33CC};

Palette builtIn(const uint32_t (&first)[8], uint32_t display, uint32_t fft, uint32_t net, uint32_t scale)
{
    Palette palette;
    for (uint32_t rgb : first)
        palette.channels.append(unpackColor(int(rgb)));
    for (uint32_t rgb : CommonChannels)
        palette.channels.append(unpackColor(int(rgb)));
    palette.display = unpackColor(int(display));
    palette.fft = unpackColor(int(fft));
    palette.net = unpackColor(int(net));
    palette.scale = unpackColor(int(scale));
    return palette;
}

QString channelKey(int nIdx)
{
    return QStringLiteral("Pallete/ChanColor") + QString::number(nIdx);
}

int readColor(const IniFile &ini, const QString &sKey, const QColor &dflt)
{
    return ini.readInt(sKey, packColor(dflt), 0, 0xFFFFFF);
}

void showColor(QFrame *swatch, const QColor &color)
{
    QPalette palette = swatch->palette();
    palette.setBrush(QPalette::All, QPalette::Window, color);
    swatch->setPalette(palette);
}

} // namespace

Palette Palette::standard()
{
    return builtIn({0x000000, 0xFF0000, 0x0000FF, 0x00AA00, 0xFFFF00, 0x00FF00, 0xFFAA00, 0xFF99FF},
                   0xFFFFFF, 0xFFFF00, 0x757575, 0x00FF00);
}

Palette Palette::orma()
{
    return builtIn({0xFFFF00, 0xFF0000, 0x0000FF, 0x00AA00, 0xFFAA00, 0x00FF00, 0xFF99FF, 0x999999},
                   0x000000, 0x00AA00, 0x757575, 0xFFFFFF);
}

int packColor(const QColor &color)
{
    return color.red() * 65536 + color.green() * 256 + color.blue();
}

QColor unpackColor(int nValue)
{
    return QColor((nValue >> 16) & 255, (nValue >> 8) & 255, nValue & 255, 255);
}

PalletDlg::PalletDlg(QWidget *parent) : SettingsDlg(parent), m_palette(Palette::orma())
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

    load();
    m_openedPalette = m_palette;
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
    for (int nIdx = 0; nIdx < Palette::ChannelCount; ++nIdx) {
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

void PalletDlg::load()
{
    const IniFile ini(configPath());
    const Palette dflt = Palette::orma();
    for (int nIdx = 0; nIdx < Palette::ChannelCount; ++nIdx)
        m_palette.channels[nIdx] = unpackColor(readColor(ini, channelKey(nIdx), dflt.channels.at(nIdx)));
    m_palette.display = unpackColor(readColor(ini, "Pallete/DysplayColor", dflt.display));
    m_palette.fft = unpackColor(readColor(ini, "Pallete/FftColor", dflt.fft));
    m_palette.net = unpackColor(readColor(ini, "Pallete/NetColor", dflt.net));
    m_palette.scale = unpackColor(readColor(ini, "Pallete/ScaleColor", dflt.scale));
    paintSwatches();
}

void PalletDlg::save() const
{
    IniFile ini(configPath());
    for (int nIdx = 0; nIdx < Palette::ChannelCount; ++nIdx)
        ini.write(channelKey(nIdx), packColor(m_palette.channels.at(nIdx)));
    ini.write("Pallete/DysplayColor", packColor(m_palette.display));
    ini.write("Pallete/FftColor", packColor(m_palette.fft));
    ini.write("Pallete/NetColor", packColor(m_palette.net));
    ini.write("Pallete/ScaleColor", packColor(m_palette.scale));
}

void PalletDlg::setChannelColors(const QVector<QColor> &colors)
{
    for (int nIdx = 0; nIdx < Palette::ChannelCount && nIdx < colors.size(); ++nIdx)
        m_palette.channels[nIdx] = colors.at(nIdx);
    paintSwatches();
}

void PalletDlg::slotStdPallet()
{
    applyPalette(Palette::standard());
}

void PalletDlg::slotPal()
{
    applyPalette(Palette::orma());
}

void PalletDlg::applyPalette(const Palette &palette)
{
    m_palette = palette;
    paintSwatches();
}

void PalletDlg::paintSwatches()
{
    for (int nIdx = 0; nIdx < m_swatches.size(); ++nIdx)
        showColor(m_swatches.at(nIdx), m_palette.channels.at(nIdx));
    showColor(m_pDisplayFrame, m_palette.display);
    showColor(m_pFftFrame, m_palette.fft);
    showColor(m_pNetFrame, m_palette.net);
    showColor(m_pScaleFrame, m_palette.scale);
}

QColor *PalletDlg::colorOf(QObject *swatch, QString &sTitle)
{
    const int nChannel = m_swatches.indexOf(static_cast<QFrame *>(swatch));
    if (nChannel >= 0) {
        sTitle = QString::fromUtf8("Выберите цвет канала");
        return &m_palette.channels[nChannel];
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
    QColor *color = colorOf(watched, sTitle);
    if (!color)
        return SettingsDlg::eventFilter(watched, event);
    const QColor chosen = chooseColor(*color, sTitle);
    if (chosen.isValid() && chosen != *color) {
        *color = chosen;
        paintSwatches();
    }
    return true;
}

QColor PalletDlg::chooseColor(const QColor &current, const QString &sTitle)
{
    return QColorDialog::getColor(current, this, sTitle);
}
