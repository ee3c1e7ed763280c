#pragma once
// Driving the real main window offscreen: waiting for blocks, writing records, answering the
// next modal dialog.
#include "app/MainConfig.h"
#include "app/Orma.h"
#include "panels/OrmaOscPanel.h"
#include "sources/record/RecordWriter.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <functional>

// Inline, so that a test that uses only some of them builds without unused-function warnings.
namespace {

// The configuration the window reads beside the test executables.
inline QString appIni() { return QCoreApplication::applicationDirPath() + "/ORMA.ini"; }

// Each window test starts from the defaults, under the native organisation and application
// names, with Qt's test paths.
inline void prepareWindowTests()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(kNativeOrganisation);
    QCoreApplication::setApplicationName(kNativeApplication);
    QFile::remove(appIni());
}

inline QAction *action(Orma &w, const char *name) { return w.findChild<QAction *>(name); }

// Runs the event loop until the window has shown `count` more blocks, or the time is up.
inline bool waitForBlocks(Orma &w, int count, int timeoutMs = 20000)
{
    auto *counter = w.oscPanel()->findChild<QLineEdit *>("m_pCyclesEdit");
    const int start = counter->text().toInt();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        QTest::qWait(20);
        if (!counter->text().isEmpty() && counter->text().toInt() >= start + count)
            return true;
    }
    return false;
}

// Runs the event loop until the window has taken `count` new blocks (whatever its counter
// shows, which a start resets), or the time is up.
inline bool waitForDelivered(Orma &w, int count, int timeoutMs = 20000)
{
    const void *last = w.block().get();
    QElapsedTimer timer;
    timer.start();
    while (count > 0 && timer.elapsed() < timeoutMs) {
        QTest::qWait(2);
        if (w.block() && w.block().get() != last) {
            last = w.block().get();
            --count;
        }
    }
    return count == 0;
}

inline QString writeRecord(const QString &path, int channels, uint64_t samples, double rate = 1e6,
                    const std::function<void(RecordRecipe &)> &edit = nullptr)
{
    RecordRecipe recipe = defaultRecordRecipe();
    recipe.params.channelCount = uint32_t(channels);
    recipe.params.sampleCount = samples;
    recipe.params.sampleRate = rate;
    recipe.params.bitRange = 14;
    recipe.params.bytesPerSample = 2;
    recipe.params.voltageRangeMv = 5000;
    recipe.tones = {{rate / 64, 6000, 0}};
    if (edit)
        edit(recipe);
    QString error;
    if (!writeRecordFile(path, recipe, true, &error))
        qWarning() << error;
    return path;
}

// Answers the next modal dialog: runs `edit` on it, then clicks the named button.
inline void answerNextDialog(const std::function<void(QWidget &)> &edit, const char *button)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        edit(*dialog);
        dialog->findChild<QPushButton *>(button)->click();
    });
    timer->start(10);
}

// Closes the next message box and returns its text through `text` (empty if none came).
inline void closeNextMessageBox(QString &text)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, &text] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->stop();
        timer->deleteLater();
        text = box->text();
        box->accept();
    });
    timer->start(10);
}

} // namespace
