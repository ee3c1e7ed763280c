#include "sources/ui/FormSnapshot.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

QVariant editorValue(const QWidget *w)
{
    if (auto *combo = qobject_cast<const QComboBox *>(w))
        return combo->currentIndex();
    if (auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->isCheckable() ? QVariant(button->isChecked()) : QVariant();
    if (auto *spin = qobject_cast<const QSpinBox *>(w))
        return spin->value();
    if (auto *spin = qobject_cast<const QDoubleSpinBox *>(w))
        return spin->value();
    // The line edits inside spin and combo boxes belong to their owners.
    auto *edit = qobject_cast<const QLineEdit *>(w);
    if (edit && !qobject_cast<const QAbstractSpinBox *>(w->parentWidget())
        && !qobject_cast<const QComboBox *>(w->parentWidget()))
        return edit->text();
    return QVariant();
}

void setEditorValue(QWidget *w, const QVariant &value)
{
    const QSignalBlocker blocker(w);
    if (auto *combo = qobject_cast<QComboBox *>(w))
        combo->setCurrentIndex(value.toInt());
    else if (auto *button = qobject_cast<QAbstractButton *>(w))
        button->setChecked(value.toBool());
    else if (auto *spin = qobject_cast<QSpinBox *>(w))
        spin->setValue(value.toInt());
    else if (auto *spin = qobject_cast<QDoubleSpinBox *>(w))
        spin->setValue(value.toDouble());
    else if (auto *edit = qobject_cast<QLineEdit *>(w))
        edit->setText(value.toString());
}

} // namespace

void FormSnapshot::capture(QWidget &root)
{
    m_entries.clear();
    for (QWidget *w : root.findChildren<QWidget *>()) {
        QVariant value = editorValue(w);
        if (value.isValid())
            m_entries.push_back({w, std::move(value), w->testAttribute(Qt::WA_ForceDisabled)});
    }
}

void FormSnapshot::restore() const
{
    for (const Entry &entry : m_entries) {
        if (!entry.widget)
            continue;
        setEditorValue(entry.widget, entry.value);
        entry.widget->setEnabled(!entry.isDisabled);
    }
}
