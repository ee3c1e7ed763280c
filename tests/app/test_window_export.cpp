// What the window exports and where it says it is: the oscilloscope's samples and the spectra
// as CSV from the "Файл" menu, either plot as PNG or SVG of its size on screen, the panels' own
// menu on Ctrl + right click, and the read-out of the position in a long record.
#include "WindowTestKit.h"

#include "app/MainConfig.h"
#include "app/RecordPositionReadout.h"
#include "panels/ComboBoxInc.h"
#include "panels/OrmaSlider.h"
#include "panels/OrmaSpectrPanel.h"
#include "plot/OrmaPlot.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <memory>

namespace {


// Names the file in the next save dialog and accepts it, once the dialog has taken the name
// (it fills itself in after it shows).
void answerFileDialog(const QString &path)
{
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        dialog->selectFile(path);
        if (dialog->selectedFiles().value(0) != path && ++*tries < 100)
            return;
        timer->stop();
        timer->deleteLater();
        QMetaObject::invokeMethod(dialog, "accept"); // protected in QFileDialog, a slot of QDialog
    });
    timer->start(10);
}

QList<QStringList> readCsv(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QStringList> rows;
    for (const QString &line : QString::fromUtf8(f.readAll().mid(3)).split("\r\n", Qt::SkipEmptyParts))
        rows << line.split(',');
    return rows;
}

// A stopped window showing the record, its last block delivered.
bool showStopped(Orma &w, const QString &record)
{
    w.show();
    w.applyCommandLine({"-r", record, "-j"});
    if (!waitForBlocks(w, 2))
        return false;
    w.slotStop();
    QTest::qWait(100);
    return w.block() != nullptr;
}

} // namespace

class TestWindowExport : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        prepareWindowTests();
    }
    void cleanup() { QFile::remove(appIni()); }

    // Every channel's codes over the span the oscilloscope shows, numbered as in the record.
    void samplesCsvIsWhatTheOscilloscopeShows()
    {
        Orma w;
        QVERIFY(showStopped(w, writeRecord(m_dir.filePath("four.bin"), 4, 65536)));
        const BlockSnapshotPtr shown = w.block();
        const double start = w.oscPanel()->viewStart(), end = w.oscPanel()->viewEnd();
        const QString csv = m_dir.filePath("samples.csv");
        answerFileDialog(csv);
        action(w, "m_pSaveSamplesAction")->trigger();
        const QList<QStringList> rows = readCsv(csv);
        QVERIFY(rows.size() > 100);
        QCOMPARE(rows[0].size(), 5);
        QCOMPARE(rows[0][1], QString("Канал %1 (Ед.Мл.Разряда)").arg(shown->records[0].channelNumber));
        const double *index = shown->index.get();
        size_t i = 0;
        while (index[i] < rows[1][0].toDouble())
            ++i;
        QVERIFY(rows[1][0].toDouble() >= std::ceil(start));
        QVERIFY(rows.last()[0].toDouble() <= end);
        QVERIFY(rows.last()[0].toDouble() > end - 1);
        for (int r = 1; r < rows.size(); ++r, ++i) {
            QCOMPARE(rows[r][0].toDouble(), index[i]);
            for (int k = 0; k < 4; ++k)
                QCOMPARE(rows[r][k + 1].toDouble(), shown->channelSamples(k)[i]);
        }

        const QString spectrum = m_dir.filePath("spectrum.csv");
        answerFileDialog(spectrum);
        action(w, "m_pSaveSpectrumAction")->trigger();
        const QList<QStringList> bins = readCsv(spectrum);
        QCOMPARE(bins.size(), w.block()->binCount + 1);
        QCOMPARE(bins[0][0], QString("Частота (Гц)"));
    }

    // The image has the size the plot has on screen; a name typed without a suffix is a PNG.
    void imagesOfEitherPanel()
    {
        Orma w;
        QVERIFY(showStopped(w, writeRecord(m_dir.filePath("one.bin"), 1, 65536)));
        QWidget *spectrCanvas = w.spectrPanel()->plot()->canvas();
        QTest::mouseClick(spectrCanvas, Qt::LeftButton, {}, spectrCanvas->rect().center());
        const QString svg = m_dir.filePath("spectrum.svg");
        answerFileDialog(svg);
        action(w, "m_pSaveImageAction")->trigger();
        QVERIFY(QFile::exists(svg));
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBoxF(), QRectF(QPointF(0, 0), QSizeF(w.spectrPanel()->plot()->size())));

        QWidget *oscCanvas = w.oscPanel()->plot()->canvas();
        QTest::mouseClick(oscCanvas, Qt::LeftButton, {}, oscCanvas->rect().center());
        answerFileDialog(m_dir.filePath("scope"));
        action(w, "m_pSaveImageAction")->trigger();
        QImage png;
        QVERIFY(png.load(m_dir.filePath("scope.png"), "PNG"));
        QCOMPARE(png.size(), w.oscPanel()->plot()->size());
    }

    // Ctrl + right click offers the settings and the panel's exports; the plain right click
    // keeps opening the settings (the main window's tests hold that).
    void ctrlRightClickOpensThePanelsMenu()
    {
        Orma w;
        QVERIFY(showStopped(w, writeRecord(m_dir.filePath("menu.bin"), 1, 65536)));
        for (OrmaPanel *panel : {static_cast<OrmaPanel *>(w.oscPanel()), static_cast<OrmaPanel *>(w.spectrPanel())}) {
            QStringList offered;
            QTimer::singleShot(200, [&] {
                if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    for (QAction *a : menu->actions())
                        if (!a->isSeparator() && a->isEnabled())
                            offered << a->text();
                    menu->close();
                }
            });
            QWidget *canvas = panel->plot()->canvas();
            QTest::mouseClick(canvas, Qt::RightButton, Qt::ControlModifier, canvas->rect().center());
            QTest::qWait(300);
            const QString data = panel == w.oscPanel() ? "Сохранить отсчеты (CSV)..." : "Сохранить спектр (CSV)...";
            QCOMPARE(offered, QStringList({"Осциллограф и Анализатор...", "Сохранить изображение...", data}));
        }
    }

    // Two seconds at 1 MHz: the read-out follows the slider to sample 500000.
    void positionReadoutFollowsTheView()
    {
        Orma w;
        QVERIFY(showStopped(w, writeRecord(m_dir.filePath("long.bin"), 1, 2000000)));
        w.oscPanel()->slider()->setValue(500000, false);
        QVERIFY(waitForDelivered(w, 1));
        QTest::qWait(50);
        auto *readout = w.findChild<QLabel *>("m_pPositionReadout");
        QVERIFY(readout && readout->isVisible());
        QCOMPARE(readout->text(), recordPositionText(500000, uint64_t(w.oscPanel()->windowWidth()), 2000000, 1e6));
        QVERIFY2(readout->text().endsWith("Запись: 2000000 (2 с)"), qPrintable(readout->text()));

        // A narrower view while stopped: the length follows the chooser at once.
        auto *widths = w.oscPanel()->findChild<ComboBoxInc *>("m_pScaleXCmbBox");
        widths->setCurrentIndex(std::min(widths->currentIndex() + 2, widths->count() - 1));
        QTest::qWait(50);
        const uint64_t first = uint64_t(std::ceil(w.oscPanel()->viewStart()));
        QCOMPARE(readout->text(), recordPositionText(first, uint64_t(w.oscPanel()->windowWidth()), 2000000, 1e6));
    }

    void durations()
    {
        QCOMPARE(durationText(0.0005), QString("500 мкс"));
        QCOMPARE(durationText(0.25), QString("250 мс"));
        QCOMPARE(durationText(10.4856), QString("10.486 с"));
        QCOMPARE(durationText(3725.5), QString("1 ч 2 мин 5.5 с"));
        QCOMPARE(recordPositionText(0, 4096, 0, 1e6), QString("Начало: 0  Длина: 4096"));
        QCOMPARE(recordPositionText(10, 20, 1000, 0), QString("Начало: 10  Длина: 20  Запись: 1000"));
    }
};

QTEST_MAIN(TestWindowExport)
#include "test_window_export.moc"
