#pragma once
// Channel search as the window runs it: the "Поиск" switch, the criteria dialog, the test of
// each block the window shows and the report of what it found. The window says what the search
// reads and ends acquisition and scrolling when the search asks it to.
#include "sources/BlockSnapshot.h"

#include <QObject>
#include <QString>

#include <functional>

class FindDlg;
class OrmaOscPanel;
class QAction;
class QWidget;

// What the search reads of the window each time it looks.
struct SearchView {
    BlockSnapshotPtr block; // on screen, null before the first
    QString configPath;     // the configuration that keeps the criteria
    int impedance = 50;     // ohms, for "dBm"
};

class ChannelSearchControl : public QObject {
    Q_OBJECT
public:
    // The action and the dialog are the window's children; `scope` gives the shown span, the
    // current channel and the amplitude scaling the thresholds are compared in.
    ChannelSearchControl(QWidget *window, const OrmaOscPanel &scope,
                         std::function<SearchView()> view);

    // "Поиск": the search is on while it is checked.
    QAction *action() const { return m_pAction; }
    // "Критерии поиска", as the "Поиск!" menu title opens it.
    void showCriteria();
    // The test of the block on screen, for a window whose blocks advance (acquisition runs or
    // the record scrolls): a match asks to stop and, over the selected channels, reports what
    // it found once the cycle is over.
    void testShownBlock();

signals:
    // The block on screen matched: acquisition and scrolling end at it. `report` says which
    // channel met which criterion, a line each.
    void stopWanted(const QString &report);

private:
    void setActive(bool isOn);

    QWidget *m_pWindow;
    const OrmaOscPanel &m_scope;
    std::function<SearchView()> m_view;
    QAction *m_pAction = nullptr;
    FindDlg *m_pDialog = nullptr;
    bool m_bActive = false;
};
