// The dialogs' table against the measurements' table: the same ids, each making one dialog
// that is its own view, and nothing for an id neither knows.
#include "dialogs/MeasurementView.h"
#include "dialogs/MeasurementViews.h"
#include "sources/measure/Registry.h"

#include <QDialog>
#include <QSet>
#include <QtTest>

class MeasurementViewsTest : public QObject {
    Q_OBJECT
private slots:
    void sameIdsAsTheMeasurements()
    {
        QStringList measurements, dialogs;
        for (size_t i = 0; i < measure::entryCount(); ++i)
            measurements << measure::entries()[i].id;
        for (size_t i = 0; i < views::rowCount(); ++i)
            dialogs << views::rows()[i].id;
        measurements.sort();
        dialogs.sort();
        QCOMPARE(dialogs, measurements);
    }

    void eachIdMakesItsDialog()
    {
        QWidget parent;
        QSet<QString> titles;
        for (size_t i = 0; i < measure::entryCount(); ++i) {
            const char *id = measure::entries()[i].id;
            const views::Made made = views::make(id, &parent);
            QVERIFY2(made.dialog && made.view, id);
            QCOMPARE(dynamic_cast<MeasurementView *>(made.dialog), made.view);
            QCOMPARE(made.dialog->parentWidget(), &parent);
            titles << made.dialog->windowTitle();
        }
        QCOMPARE(size_t(titles.size()), measure::entryCount()); // no dialog made twice
        const views::Made none = views::make("no such measurement", &parent);
        QVERIFY(!none.dialog && !none.view);
    }
};

QTEST_MAIN(MeasurementViewsTest)
#include "test_measurement_views.moc"
