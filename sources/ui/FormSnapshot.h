#pragma once
// The values and enabled states of a form's editors at one moment, to put back when the user
// cancels: the main window keeps reading a settings dialog's widgets after it has closed, so
// an edit that was cancelled must not stay in them.
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <vector>

class FormSnapshot {
public:
    // Combo boxes, check boxes, spin boxes and line edits below `root`.
    void capture(QWidget &root);
    // Puts the captured state back without emitting the editors' signals.
    void restore() const;

private:
    struct Entry {
        QPointer<QWidget> widget;
        QVariant value;
        bool isDisabled = false;
    };
    std::vector<Entry> m_entries;
};
