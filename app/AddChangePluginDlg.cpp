#include "app/AddChangePluginDlg.h"

#include "sources/ui/SettingsDlg.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

AddChangePluginDlg::AddChangePluginDlg(Mode mode, QWidget *parent) : QDialog(parent), m_mode(mode)
{
    setWindowTitle(QStringLiteral("Добавление"));
    m_pNameEdit = named(new QLineEdit, "m_pNameEdit");
    m_pPathEdit = named(new QLineEdit, "m_pPathEdit");
    m_pPathEdit->setMinimumWidth(320);
    m_pOpenBtn = named(new QPushButton(QStringLiteral("...")), "m_pOpenBtn");
    m_pOpenBtn->setFixedWidth(36);
    m_pAddBtn = named(new QPushButton(mode == AddMode ? QStringLiteral("Добавить") : QStringLiteral("Изменить")), "m_pAddBtn");
    m_pCancelBtn = named(new QPushButton(QStringLiteral("Отмена")), "m_pCancelBtn");
    m_pAddBtn->setDefault(true);
    connect(m_pOpenBtn, &QPushButton::clicked, this, &AddChangePluginDlg::slotOpen);
    connect(m_pAddBtn, &QPushButton::clicked, this, &AddChangePluginDlg::accept);
    connect(m_pCancelBtn, &QPushButton::clicked, this, &AddChangePluginDlg::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Название")), 0, 0);
    grid->addWidget(m_pNameEdit, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Путь")), 1, 0);
    grid->addWidget(m_pPathEdit, 1, 1);
    grid->addWidget(m_pOpenBtn, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pAddBtn);
    buttons->addWidget(m_pCancelBtn);
    grid->addLayout(buttons, 2, 0, 1, 3);
}

void AddChangePluginDlg::setValues(const QString &sName, const QString &sPath)
{
    m_pNameEdit->setText(sName);
    m_pPathEdit->setText(sPath);
}

QString AddChangePluginDlg::name() const { return m_pNameEdit->text(); }
QString AddChangePluginDlg::path() const { return m_pPathEdit->text(); }

void AddChangePluginDlg::slotOpen()
{
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Выберите плагин"),
                                                      QStringLiteral("."), QStringLiteral("*"));
    if (!file.isEmpty())
        m_pPathEdit->setText(QDir::toNativeSeparators(file));
}

void AddChangePluginDlg::accept()
{
    const QString prefix = m_mode == AddMode ? QStringLiteral("Невозможно добавить плагин.")
                                             : QStringLiteral("Невозможно изменить информацию о плагине.");
    QString problem;
    if (m_pNameEdit->text().isEmpty())
        problem = QStringLiteral("Поле имени пустое.");
    else if (m_pPathEdit->text().isEmpty())
        problem = QStringLiteral("Поле пути пустое.");
    if (!problem.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("ORMA"), prefix + QLatin1Char(' ') + problem);
        return;
    }
    QDialog::accept();
}
