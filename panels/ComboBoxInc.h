#pragma once
// A scale chooser: a combo box with a bare pair of spin arrows beside it. The panels list
// their scales from the largest to the smallest, so the up arrow enlarges the scale and the
// down arrow reduces it.
#include <QStringList>
#include <QWidget>

class QComboBox;
class QSpinBox;

class ComboBoxInc : public QWidget
{
    Q_OBJECT

public:
    explicit ComboBoxInc(QWidget *parent = nullptr);

    // Appends the items; the popup shows all of them without scrolling.
    void setItems(const QStringList &items);
    void clear();
    void setCurrentIndex(int index);
    int currentIndex() const;
    int count() const;
    QString currentText() const;
    QString itemText(int index) const;
    void setItemText(int index, const QString &text);
    // Blocks the combo as well: its index changes reach the world through this widget's
    // signal, but direct connections to the inner combo must be held too.
    bool blockSignals(bool block);
    void setFont(const QFont &font);

signals:
    // Only index changes, never edits of the current item's text.
    void currentIndexChanged(const QString &sText);

private slots:
    void slotValueChangedSpin(int nVal);

private:
    QComboBox *m_pComboBox;
    QSpinBox *m_pSpinBox;
};
