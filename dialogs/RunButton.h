#pragma once
// The start button of a measurement dialog: "Старт" on green while acquisition is stopped,
// "Стоп" on red while it runs. It shows the state the window reports, never what a click
// asked for, so that it cannot show a state acquisition did not take.
#include <QPushButton>

class RunButton : public QPushButton {
public:
    explicit RunButton(QWidget *parent = nullptr);
    void setRunning(bool isRunning);
    bool isRunning() const { return m_bRunning; }

private:
    bool m_bRunning = false;
};
