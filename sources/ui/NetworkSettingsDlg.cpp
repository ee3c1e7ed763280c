#include "sources/ui/NetworkSettingsDlg.h"

#include "sources/IniFile.h"
#include "sources/ui/IntValidator.h"
#include "sources/ui/IpValidator.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

const QString DefaultAddress = QStringLiteral("127.0.0.1");
const QString DefaultPort = QStringLiteral("7777");
const QString DefaultFileName = QStringLiteral("data_0.bin");
constexpr int MaxPort = 9999;

// The stored text when the field's validator takes it whole, else the default.
QString validText(const IniFile &ini, const QString &sKey, const QString &sDefault, const QLineEdit *edit)
{
    QString sText = ini.readText(sKey, sDefault);
    int nPos = 0;
    return edit->validator()->validate(sText, nPos) == QValidator::Acceptable ? sText : sDefault;
}

} // namespace

NetworkSettingsDlg::NetworkSettingsDlg(const QString &sConfigPath, QWidget *parent)
    : SettingsDlg(parent, sConfigPath)
{
    setWindowTitle(QString::fromUtf8("Настройки сети"));

    m_pIpAdrEdit = named(new QLineEdit, "m_pIpAdrEdit");
    m_pIpAdrEdit->setValidator(new IpValidator(m_pIpAdrEdit));
    m_pPortEdit = named(new QLineEdit, "m_pPortEdit");
    m_pPortEdit->setValidator(new IntValidator(0, MaxPort, m_pPortEdit));
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

    load();
}

void NetworkSettingsDlg::load()
{
    const IniFile ini(configPath());
    m_pIpAdrEdit->setText(validText(ini, "Network/IP", DefaultAddress, m_pIpAdrEdit));
    m_pPortEdit->setText(validText(ini, "Network/Port", DefaultPort, m_pPortEdit));
    m_pFileNameEdit->setText(ini.readText("Network/FileName", DefaultFileName));
}

void NetworkSettingsDlg::save() const
{
    IniFile ini(configPath());
    ini.write("Network/IP", address());
    ini.write("Network/Port", m_pPortEdit->text());
    ini.write("Network/FileName", fileName());
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

QString NetworkSettingsDlg::address() const { return m_pIpAdrEdit->text(); }
unsigned NetworkSettingsDlg::port() const { return m_pPortEdit->text().toUInt(); }
QString NetworkSettingsDlg::fileName() const { return m_pFileNameEdit->text(); }
