#include "panels/LegendItemWidget.h"

#include <QComboBox>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

LegendItemWidget::LegendItemWidget(QWidget *parent)
    : QFrame(parent)
    , m_pComboBox(new QComboBox(this))
    , m_pFrame(new QFrame(this))
{
    setObjectName(QStringLiteral("LegendItemWidget"));
    setWindowTitle(QStringLiteral("Form"));
    resize(80, 34);

    m_pComboBox->setObjectName(QStringLiteral("m_pComboBox"));
    m_pComboBox->setFixedSize(30, 20);
    m_pComboBox->setStyleSheet(QStringLiteral(
        "QComboBox { border: 1px solid black; padding: 1px; }"
        "QComboBox::drop-down { width: 0px; border: none; }"
        "QComboBox QAbstractItemView { min-width: 40px; }"));
    m_pFrame->setObjectName(QStringLiteral("m_pFrame"));
    m_pFrame->setFixedSize(30, 10);
    m_pFrame->setFrameShape(QFrame::Box);
    m_pFrame->setFrameShadow(QFrame::Sunken);
    m_pFrame->setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(m_pComboBox, 0, Qt::AlignHCenter);
    layout->addWidget(m_pFrame, 0, Qt::AlignHCenter);

    // The highlight of the current channel is this frame's own background.
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Highlight));
    setPalette(p);

    m_pComboBox->installEventFilter(this);
    m_pFrame->installEventFilter(this);
    connect(m_pComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { emit currentIndexChanged(m_pComboBox->itemText(index)); });
}

int LegendItemWidget::numberOf(const QString &itemText)
{
    return itemText.trimmed().toInt();
}

void LegendItemWidget::setChannel(int n)
{
    m_channel = n;
    const QSignalBlocker blocker(m_pComboBox);
    m_pComboBox->clear();
    m_pComboBox->addItem(QStringLiteral(" %1").arg(n));
}

QList<int> LegendItemWidget::channels() const
{
    QList<int> numbers;
    for (int i = 0; i < m_pComboBox->count(); ++i)
        numbers << numberOf(m_pComboBox->itemText(i));
    return numbers;
}

void LegendItemWidget::setColor(const QColor &color)
{
    if (color == this->color())
        return;
    QPalette p = m_pFrame->palette();
    p.setBrush(QPalette::Active, QPalette::Window, color);
    p.setBrush(QPalette::Inactive, QPalette::Window, color);
    p.setBrush(QPalette::Disabled, QPalette::Window, color);
    m_pFrame->setPalette(p);
    QColor changed = color;
    emit signalColorChange(m_channel, changed);
}

QColor LegendItemWidget::color() const
{
    return m_pFrame->palette().color(QPalette::Window);
}

void LegendItemWidget::showChannel()
{
    m_pFrame->setAutoFillBackground(true);
    m_pFrame->update();
    m_visible = true;
    emit signalShow(m_channel);
}

void LegendItemWidget::setCurrent(bool on)
{
    m_current = on;
    setAutoFillBackground(on);
    update();
}

bool LegendItemWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pFrame)
        return swatchEvent(event);
    if (watched == m_pComboBox)
        return chooserEvent(event);
    return QFrame::eventFilter(watched, event);
}

bool LegendItemWidget::swatchEvent(QEvent *event)
{
    if (event->type() != QEvent::MouseButtonDblClick ||
        static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
        return false;
    if (m_pFrame->autoFillBackground()) {
        m_pFrame->setAutoFillBackground(false);
        m_pFrame->update();
        m_visible = false;
        emit signalHide(m_channel);
    } else {
        showChannel();
    }
    return true;
}

bool LegendItemWidget::chooserEvent(QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return false;
    m_channel = numberOf(m_pComboBox->currentText());
    if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
        return false;
    // The current item opens its list to switch the channel; any other click selects.
    if (m_current && m_pComboBox->count() > 1)
        return false;
    if (m_visible) {
        emit signalSelect(m_channel);
        return true;
    }
    return false;
}
