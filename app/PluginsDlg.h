#pragma once
// "Плагины": the registered plug-ins as a table (id, name, program); adds, changes and deletes
// go to the store at once. Running plug-ins are grey and can be neither changed nor deleted.
#include "sources/plugins/PluginStore.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

class PluginsDlg : public QDialog {
    Q_OBJECT
public:
    PluginsDlg(QSettings &store, const QList<PluginRecord> &plugins, QWidget *parent = nullptr);

    // The list as edited, in table order.
    const QList<PluginRecord> &plugins() const { return m_lPlugins; }

public slots:
    void slotAdd();
    void slotChange();
    void slotDel();

private:
    void fillRow(int nRow);
    void refreshButtons();
    // The selected row, or -1.
    int currentRow() const;

    QSettings &m_store;
    QList<PluginRecord> m_lPlugins;
    QTableWidget *m_pTableWgt = nullptr;
    QPushButton *m_pAddBtn = nullptr;
    QPushButton *m_pDelBtn = nullptr;
    QPushButton *m_pChangeBtn = nullptr;
};
