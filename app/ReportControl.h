#pragma once
// "Файл → Отчёт...": the record on screen written as a report page, with the block's own
// analysis settings and the device table's criteria, then offered to be opened.
#include "sources/BlockSnapshot.h"

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;

// What the report reads of the window as it runs.
struct ReportView {
    BlockSnapshotPtr block; // on screen, null before the first
    QString recordFile;     // the main record, empty when the source is no record
    QString configPath;     // the configuration whose "DevParams/" criteria are judged
};

class ReportControl : public QObject {
    Q_OBJECT
public:
    ReportControl(QWidget *window, std::function<ReportView()> view);
    // Appends the entry to `menu`, enabled while a record's block is on screen.
    void addToMenu(QMenu *menu);

private:
    void writeReport();

    QWidget *m_pWindow;
    std::function<ReportView()> m_view;
    QAction *m_pAction = nullptr;
};
