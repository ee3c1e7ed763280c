#pragma once
// "Настройки сети": server address, port and record name of the network source.
#include "sources/settings/NetworkSettings.h"
#include "sources/ui/SettingsDlg.h"

class QLineEdit;

class NetworkSettingsDlg : public SettingsDlg {
    Q_OBJECT
public:
    explicit NetworkSettingsDlg(QWidget *parent = nullptr);

    void setSettings(const NetworkSettings &settings);
    NetworkSettings settings() const;

protected:
    // A half-typed address or an empty port is refused.
    bool isAcceptable() override;

private:
    QLineEdit *m_pIpAdrEdit = nullptr;
    QLineEdit *m_pPortEdit = nullptr;
    QLineEdit *m_pFileNameEdit = nullptr;
};
