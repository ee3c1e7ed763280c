#pragma once
// Base of the dialogs that edit a copy of a part of the configuration: the owner fills them
// with its values, takes the edited values back after an accepted exec() and stores them
// itself, so that Cancel leaves the owner's values as they were.
#include <QDialog>
#include <QDialogButtonBox>
#include <QString>

// Gives a widget built in code the object name a designer form would give it, so that the
// widgets of a dialog can be found by name.
template <typename W> W *named(W *widget, const char *sName)
{
    widget->setObjectName(QLatin1String(sName));
    return widget;
}

class SettingsDlg : public QDialog {
    Q_OBJECT
public slots:
    // Closes as accepted, unless the values are refused (the dialog then says why and stays).
    void accept() override;

protected:
    explicit SettingsDlg(QWidget *parent);

    // An OK / Cancel row (m_pOkButton, m_pCancelButton) wired to accept() and reject().
    QDialogButtonBox *newButtonBox(const QString &sOk, const QString &sCancel);
    // Checks the values before the dialog closes; shows its own warning when it refuses them.
    virtual bool isAcceptable() { return true; }
    // A warning box titled "ORMA" with an OK button.
    void warn(const QString &sText);
};
