#include "sources/ui/SettingsDlg.h"

#include <QMessageBox>
#include <QPushButton>

SettingsDlg::SettingsDlg(QWidget *parent) : QDialog(parent)
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
    if (isAcceptable())
        QDialog::accept();
}

void SettingsDlg::warn(const QString &sText)
{
    QMessageBox::warning(this, QStringLiteral("ORMA"), sText, QMessageBox::Ok);
}
