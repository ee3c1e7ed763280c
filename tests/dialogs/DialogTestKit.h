#pragma once
// Helpers of the dialog tests: a scratch configuration file, raw INI access, and a hand that
// answers the message boxes a dialog opens.
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "tests/ScratchIni.h"

namespace kit {

using ::ScratchIni;

struct Message {
    QString title;
    QString text;
    QMessageBox::Icon icon;
};

// While it lives, every message box that opens is read and closed with OK.
class MessageHand : public QObject {
public:
    MessageHand()
    {
        connect(&m_timer, &QTimer::timeout, this, &MessageHand::answer);
        m_timer.start(5);
    }
    const QList<Message> &seen() const { return m_seen; }
    QStringList texts() const
    {
        QStringList texts;
        for (const Message &m : m_seen)
            texts << m.text;
        return texts;
    }

private:
    void answer()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (box && box->isVisible()) {
                m_seen.append({box->windowTitle(), box->text(), box->icon()});
                box->done(QMessageBox::Ok);
            }
        }
    }

    QTimer m_timer;
    QList<Message> m_seen;
};

template <typename W> W *child(QObject &parent, const char *sName)
{
    W *w = parent.findChild<W *>(QLatin1String(sName));
    if (!w)
        qFatal("no widget %s", sName);
    return w;
}

} // namespace kit
