#include "dialogs/RunButton.h"

RunButton::RunButton(QWidget *parent) : QPushButton(parent)
{
    setRunning(false);
}

void RunButton::setRunning(bool isRunning)
{
    m_bRunning = isRunning;
    setText(QString::fromUtf8(isRunning ? "Стоп" : "Старт"));
    setStyleSheet(isRunning ? "background-color: red" : "background-color: #00FF00");
}
