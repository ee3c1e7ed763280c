#include "app/FindChansDlg.h"

#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

FindChansDlg::FindChansDlg(const QList<int> &available, const QList<int> &selected, QWidget *parent)
    : SettingsDlg(parent), m_lAvailable(available)
{
    setWindowTitle(QStringLiteral("Выбор каналов"));
    m_pChansListWgt = named(new QListWidget, "m_pChansListWgt");
    auto addItem = [&](const QString &text, bool checked) {
        auto *item = new QListWidgetItem(text, m_pChansListWgt);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    };
    int count = 0;
    for (int channel : available)
        count += selected.contains(channel) ? 1 : 0;
    addItem(QStringLiteral("Все каналы"), count == 0 || count == available.size());
    for (int channel : available)
        addItem(QStringLiteral("Канал %1").arg(channel), selected.contains(channel));
    connect(m_pChansListWgt, &QListWidget::itemChanged, this, &FindChansDlg::slotChanged);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pChansListWgt);
    layout->addWidget(newButtonBox(QStringLiteral("OK"), QStringLiteral("Отмена")));
}

void FindChansDlg::slotChanged(QListWidgetItem *pItem)
{
    const QSignalBlocker blocker(m_pChansListWgt);
    QListWidgetItem *all = m_pChansListWgt->item(0);
    if (pItem == all) {
        for (int i = 1; i < m_pChansListWgt->count(); ++i)
            m_pChansListWgt->item(i)->setCheckState(all->checkState());
        return;
    }
    bool every = true;
    for (int i = 1; i < m_pChansListWgt->count(); ++i)
        every = every && m_pChansListWgt->item(i)->checkState() == Qt::Checked;
    all->setCheckState(every ? Qt::Checked : Qt::Unchecked);
}

QList<int> FindChansDlg::selected() const
{
    QList<int> channels;
    for (int i = 1; i < m_pChansListWgt->count(); ++i)
        if (m_pChansListWgt->item(i)->checkState() == Qt::Checked)
            channels << m_lAvailable.at(i - 1);
    return channels.isEmpty() ? m_lAvailable : channels;
}
