#pragma once
// Driving the real main window offscreen: waiting for blocks, writing records, answering the
// next modal dialog.
#include "app/Orma.h"
#include "panels/OrmaOscPanel.h"
#include "sources/RecordWriter.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

QAction *action(Orma &w, const char *name) { return w.findChild<QAction *>(name); }

// Runs the event loop until the window has shown `count` more blocks, or the time is up.
bool waitForBlocks(Orma &w, int count, int timeoutMs = 20000)
{
    auto *counter = w.oscPanel()->m_pCyclesEdit;
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
bool waitForDelivered(Orma &w, int count, int timeoutMs = 20000)
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

QString writeRecord(const QString &path, int channels, uint64_t samples, double rate = 1e6,
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
void answerNextDialog(const std::function<void(QWidget &)> &edit, const char *button)
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

} // namespace
