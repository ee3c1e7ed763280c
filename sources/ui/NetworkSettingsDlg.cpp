#include "sources/ui/NetworkSettingsDlg.h"

#include "sources/ui/IntValidator.h"
#include "sources/ui/IpValidator.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

NetworkSettingsDlg::NetworkSettingsDlg(QWidget *parent) : SettingsDlg(parent)
{
    setWindowTitle(QString::fromUtf8("Настройки сети"));

    m_pIpAdrEdit = named(new QLineEdit, "m_pIpAdrEdit");
    m_pIpAdrEdit->setValidator(new IpValidator(m_pIpAdrEdit));
    m_pPortEdit = named(new QLineEdit, "m_pPortEdit");
    m_pPortEdit->setValidator(new IntValidator(0, int(NetworkSettings::MaxPort), m_pPortEdit));
    m_pFileNameEdit = named(new QLineEdit, "m_pFileNameEdit");
    m_pFileNameEdit->setMinimumWidth(220);

    auto *form = new QFormLayout;
    form->addRow(QString::fromUtf8("IP адрес"), m_pIpAdrEdit);
    form->addRow(QString::fromUtf8("Порт"), m_pPortEdit);
    form->addRow(QString::fromUtf8("Имя файла"), m_pFileNameEdit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(newButtonBox(QStringLiteral("Ok"), QStringLiteral("Cancel")));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setSettings(NetworkSettings());
}

void NetworkSettingsDlg::setSettings(const NetworkSettings &settings)
{
    m_pIpAdrEdit->setText(settings.address);
    m_pPortEdit->setText(QString::number(settings.port));
    m_pFileNameEdit->setText(settings.fileName);
}

NetworkSettings NetworkSettingsDlg::settings() const
{
    NetworkSettings s;
    s.address = m_pIpAdrEdit->text();
    s.port = m_pPortEdit->text().toUInt();
    s.fileName = m_pFileNameEdit->text();
    return s;
}

bool NetworkSettingsDlg::isAcceptable()
{
    QLineEdit *bad = nullptr;
    if (!m_pIpAdrEdit->hasAcceptableInput()) {
        bad = m_pIpAdrEdit;
        warn(QString::fromUtf8("\nНеверный IP адрес!"));
    } else if (!m_pPortEdit->hasAcceptableInput()) {
        bad = m_pPortEdit;
        warn(QString::fromUtf8("\nНеверный номер порта!"));
    }
    if (bad)
        bad->setFocus();
    return !bad;
}
