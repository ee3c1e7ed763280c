#pragma once
// "Выбор каналов": which of the record's channels the search looks at. "Все каналы" checks or
// clears every channel; it is checked exactly while every channel is.
#include "sources/ui/SettingsDlg.h"

#include <QList>

class QListWidget;
class QListWidgetItem;

class FindChansDlg : public SettingsDlg {
    Q_OBJECT
public:
    FindChansDlg(const QList<int> &available, const QList<int> &selected, QWidget *parent = nullptr);

    // The checked channels; every channel when none is checked, since a search needs one.
    QList<int> selected() const;

public slots:
    void slotChanged(QListWidgetItem *pItem);

private:
    QListWidget *m_pChansListWgt = nullptr;
    QList<int> m_lAvailable;
};
