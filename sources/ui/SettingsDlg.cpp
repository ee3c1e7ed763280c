#include "sources/ui/SettingsDlg.h"

#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>

SettingsDlg::SettingsDlg(QWidget *parent, const QString &sConfigPath)
    : QDialog(parent), m_sConfigPath(sConfigPath)
{
}

QDialogButtonBox *SettingsDlg::newButtonBox(const QString &sOk, const QString &sCancel)
{
    auto *buttons = new QDialogButtonBox;
    QPushButton *ok = named(buttons->addButton(sOk, QDialogButtonBox::AcceptRole), "m_pOkButton");
    ok->setDefault(true);
    named(buttons->addButton(sCancel, QDialogButtonBox::RejectRole), "m_pCancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDlg::reject);
    return buttons;
}

void SettingsDlg::accept()
{
    if (!isAcceptable())
        return;
    save();
    QDialog::accept();
}

void SettingsDlg::reject()
{
    restoreOpenedState();
    QDialog::reject();
}

void SettingsDlg::showEvent(QShowEvent *event)
{
    // A window restored by the window system is not a new opening.
    if (!event->spontaneous())
        rememberOpenedState();
    QDialog::showEvent(event);
}

void SettingsDlg::warn(const QString &sText)
{
    QMessageBox::warning(this, QStringLiteral("ORMA"), sText, QMessageBox::Ok);
}
