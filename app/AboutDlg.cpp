#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include <fftw3.h>
#include <qwt_global.h>

QString AboutDlg::versionText()
{
    return QString("Версия %1\nQt %2\nQwt %3\n%4")
        .arg(ORMA_VERSION, qVersion(), QWT_VERSION_STR, fftw_version);
}

AboutDlg::AboutDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle("О программе");
    auto *layout = new QVBoxLayout(this);
    auto *icon = new QLabel;
    icon->setPixmap(QPixmap(":/Orma/Resources/orma.png").scaled(64, 64));
    icon->setAlignment(Qt::AlignCenter);
    auto *name = new QLabel("<b>ORMA</b><br>Осциллограф и анализатор спектра для сигналов АЦП");
    name->setAlignment(Qt::AlignCenter);
    auto *versions = new QLabel(versionText());
    versions->setAlignment(Qt::AlignCenter);
    versions->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(versions);
    layout->addWidget(buttons);
}
