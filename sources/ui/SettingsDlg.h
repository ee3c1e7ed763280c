#pragma once
// Base of the dialogs that edit a part of the configuration file: the path handed over by the
// main window, loading and saving the dialog's own keys, saving on an accepted OK, and Cancel
// putting back what the dialog showed when it opened (the main window keeps reading a settings
// dialog's values after it has closed, so a cancelled edit must not stay in them).
#include "sources/ui/FormSnapshot.h"

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
public:
    void setConfigPath(const QString &sPath) { m_sConfigPath = sPath; }
    const QString &configPath() const { return m_sConfigPath; }

    // Reads the dialog's keys, with defaults for missing ones and clamped absurd ones.
    virtual void load() = 0;
    virtual void save() const = 0;

    void reject() override;

public slots:
    // Saves and closes, unless the values are refused (the dialog then says why and stays).
    void accept() override;

protected:
    explicit SettingsDlg(QWidget *parent, const QString &sConfigPath = QString());

    // An OK / Cancel row (m_pOkButton, m_pCancelButton) wired to accept() and reject().
    QDialogButtonBox *newButtonBox(const QString &sOk, const QString &sCancel);
    // Checks the values before saving; shows its own warning when it refuses them.
    virtual bool isAcceptable() { return true; }
    // What Cancel returns to; by default the editors of the form.
    virtual void rememberOpenedState() { m_openedState.capture(*this); }
    virtual void restoreOpenedState() { m_openedState.restore(); }
    // A warning box titled "ORMA" with an OK button.
    void warn(const QString &sText);

    void showEvent(QShowEvent *event) override;

private:
    QString m_sConfigPath;
    FormSnapshot m_openedState;
};
