#pragma once
// "Настройки сети": server address, port and record name of the network source, stored as text
// under "Network/" in the application configuration.
#include "sources/ui/SettingsDlg.h"

class QLineEdit;

class NetworkSettingsDlg : public SettingsDlg {
    Q_OBJECT
public:
    // Loads the stored values at once: the main window also builds the dialog unseen, only to
    // read them.
    explicit NetworkSettingsDlg(const QString &sConfigPath, QWidget *parent = nullptr);

    void load() override;
    void save() const override;

    QString address() const;
    unsigned port() const;
    QString fileName() const;

protected:
    // A half-typed address or an empty port is not saved.
    bool isAcceptable() override;

private:
    QLineEdit *m_pIpAdrEdit = nullptr;
    QLineEdit *m_pPortEdit = nullptr;
    QLineEdit *m_pFileNameEdit = nullptr;
};
