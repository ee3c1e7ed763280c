#include "panels/ComboBoxInc.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {
// The spin box rests in the middle so that either arrow produces a change.
const int kRestValue = 1;
}

ComboBoxInc::ComboBoxInc(QWidget *parent)
    : QWidget(parent)
    , m_pComboBox(new QComboBox(this))
    , m_pSpinBox(new QSpinBox(this))
{
    m_pComboBox->setFixedHeight(22);
    // Lists are refilled when units change; the box follows the longest item.
    m_pComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_pComboBox->setStyleSheet(QStringLiteral("QComboBox { border: 1px solid #7F9DB9; padding-left: 3px; }"));
    m_pSpinBox->setFixedSize(17, 22);
    m_pSpinBox->setRange(kRestValue - 1, kRestValue + 1);
    m_pSpinBox->setValue(kRestValue);
    m_pSpinBox->setFocusPolicy(Qt::NoFocus);
    // Only the arrows show: the text field is narrower than any digit.
    m_pSpinBox->setStyleSheet(QStringLiteral("QSpinBox { color: transparent; selection-color: transparent; "
                                             "selection-background-color: transparent; }"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pComboBox, 1);
    layout->addWidget(m_pSpinBox);

    connect(m_pComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { emit currentIndexChanged(m_pComboBox->itemText(index)); });
    connect(m_pSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this, &ComboBoxInc::slotValueChangedSpin);
}

void ComboBoxInc::setItems(const QStringList &items)
{
    m_pComboBox->addItems(items);
    m_pComboBox->setMaxVisibleItems(qMax(1, m_pComboBox->count()));
}

void ComboBoxInc::clear() { m_pComboBox->clear(); }
void ComboBoxInc::setCurrentIndex(int index) { m_pComboBox->setCurrentIndex(index); }
int ComboBoxInc::currentIndex() const { return m_pComboBox->currentIndex(); }
int ComboBoxInc::count() const { return m_pComboBox->count(); }
QString ComboBoxInc::currentText() const { return m_pComboBox->currentText(); }
QString ComboBoxInc::itemText(int index) const { return m_pComboBox->itemText(index); }
void ComboBoxInc::setItemText(int index, const QString &text) { m_pComboBox->setItemText(index, text); }

bool ComboBoxInc::blockSignals(bool block)
{
    m_pComboBox->blockSignals(block);
    return QWidget::blockSignals(block);
}

void ComboBoxInc::setFont(const QFont &font)
{
    QWidget::setFont(font);
    m_pComboBox->setFont(font);
}

void ComboBoxInc::slotValueChangedSpin(int nVal)
{
    {
        const QSignalBlocker blocker(m_pSpinBox);
        m_pSpinBox->setValue(kRestValue);
    }
    const int next = m_pComboBox->currentIndex() + (nVal < kRestValue + 1 ? 1 : -1);
    if (next >= 0 && next < m_pComboBox->count())
        m_pComboBox->setCurrentIndex(next);
}
