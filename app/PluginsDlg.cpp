#include "app/PluginsDlg.h"

#include "app/AddChangePluginDlg.h"
#include "sources/ui/SettingsDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

PluginsDlg::PluginsDlg(QSettings &store, const QList<PluginRecord> &plugins, QWidget *parent)
    : QDialog(parent), m_store(store), m_lPlugins(plugins)
{
    setWindowTitle(QStringLiteral("Плагины"));
    m_pTableWgt = named(new QTableWidget(0, 3), "m_pTableWgt");
    m_pTableWgt->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Название"), QStringLiteral("Путь")});
    m_pTableWgt->horizontalHeader()->setStretchLastSection(true);
    m_pTableWgt->verticalHeader()->hide();
    m_pTableWgt->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTableWgt->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTableWgt->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pAddBtn = named(new QPushButton(QStringLiteral("Добавить")), "m_pAddBtn");
    m_pDelBtn = named(new QPushButton(QStringLiteral("Удалить")), "m_pDelBtn");
    m_pChangeBtn = named(new QPushButton(QStringLiteral("Изменить")), "m_pChangeBtn");
    connect(m_pAddBtn, &QPushButton::clicked, this, &PluginsDlg::slotAdd);
    connect(m_pDelBtn, &QPushButton::clicked, this, &PluginsDlg::slotDel);
    connect(m_pChangeBtn, &QPushButton::clicked, this, &PluginsDlg::slotChange);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_pAddBtn);
    buttons->addWidget(m_pDelBtn);
    buttons->addWidget(m_pChangeBtn);
    buttons->addStretch();
    auto *close = named(new QPushButton(QStringLiteral("Закрыть")), "m_pCloseBtn");
    connect(close, &QPushButton::clicked, this, &PluginsDlg::accept);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pTableWgt);
    layout->addLayout(buttons);
    resize(560, 300);

    m_pTableWgt->setRowCount(m_lPlugins.size());
    for (int row = 0; row < m_lPlugins.size(); ++row)
        fillRow(row);
    if (!m_lPlugins.isEmpty())
        m_pTableWgt->selectRow(0);
    refreshButtons();
}

void PluginsDlg::fillRow(int nRow)
{
    const PluginRecord &p = m_lPlugins.at(nRow);
    const QStringList texts = {QString::number(p.id), p.name, p.path};
    const QColor background = p.running ? QColor(225, 225, 225) : QColor(255, 255, 255);
    for (int column = 0; column < 3; ++column) {
        auto *item = new QTableWidgetItem(texts.at(column));
        item->setBackground(background);
        m_pTableWgt->setItem(nRow, column, item);
    }
    m_pTableWgt->resizeColumnToContents(0);
}

void PluginsDlg::refreshButtons()
{
    const bool any = !m_lPlugins.isEmpty();
    m_pDelBtn->setEnabled(any);
    m_pChangeBtn->setEnabled(any);
}

int PluginsDlg::currentRow() const
{
    const int row = m_pTableWgt->currentRow();
    return row >= 0 && row < m_lPlugins.size() ? row : -1;
}

void PluginsDlg::slotAdd()
{
    AddChangePluginDlg dialog(AddChangePluginDlg::AddMode, this);
    dialog.setFont(font());
    if (dialog.exec() != QDialog::Accepted)
        return;
    PluginRecord p;
    p.id = nextPluginId(m_lPlugins);
    p.name = dialog.name();
    p.path = dialog.path();
    m_lPlugins << p;
    m_pTableWgt->setRowCount(m_lPlugins.size());
    fillRow(m_lPlugins.size() - 1);
    m_pTableWgt->selectRow(m_lPlugins.size() - 1);
    storePlugin(m_store, p);
    refreshButtons();
}

void PluginsDlg::slotChange()
{
    const int row = currentRow();
    if (row < 0)
        return;
    PluginRecord &p = m_lPlugins[row];
    if (p.running) {
        QMessageBox::information(this, QStringLiteral(" "), QStringLiteral("Изменение работающего плагина невозможно!"));
        return;
    }
    AddChangePluginDlg dialog(AddChangePluginDlg::ChangeMode, this);
    dialog.setFont(font());
    dialog.setValues(p.name, p.path);
    if (dialog.exec() != QDialog::Accepted)
        return;
    p.name = dialog.name();
    p.path = dialog.path();
    fillRow(row);
    storePlugin(m_store, p);
}

void PluginsDlg::slotDel()
{
    const int row = currentRow();
    if (row < 0)
        return;
    if (m_lPlugins.at(row).running) {
        QMessageBox::information(this, QStringLiteral(" "), QStringLiteral("Удаление работающего плагина невозможно!"));
        return;
    }
    removeStoredPlugin(m_store, m_lPlugins.at(row).id);
    m_lPlugins.removeAt(row);
    m_pTableWgt->removeRow(row);
    refreshButtons();
}
