// "Плагины" and "Добавление": ids after the largest, the store written at once, running
// plug-ins protected, empty fields refused; and the window's menu following the dialog.
#include "app/AddChangePluginDlg.h"
#include "app/PluginControl.h"
#include "app/PluginsDlg.h"
#include "app/Translations.h"
#include "tests/app/WindowTestKit.h"
#include "tests/dialogs/DialogTestKit.h"

#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>

using kit::child;

namespace {

// Fills the next "Добавление" with a name and a path and presses its button.
void answerAdd(const QString &name, const QString &path)
{
    answerNextDialog([=](QWidget &d) {
        d.findChild<QLineEdit *>("m_pNameEdit")->setText(name);
        d.findChild<QLineEdit *>("m_pPathEdit")->setText(path);
    }, "m_pAddBtn");
}

} // namespace

class PluginDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(kNativeOrganisation);
        QCoreApplication::setApplicationName(kNativeApplication);
        QSettings(kNativeOrganisation, kNativeApplication).remove("plugins");
    }

    void emptyTableAndIdAfterTheLargest()
    {
        kit::ScratchIni ini;
        auto store = openIni(ini.path());
        {
            PluginsDlg empty(*store, {});
            QVERIFY(!child<QPushButton>(empty, "m_pDelBtn")->isEnabled());
            QVERIFY(!child<QPushButton>(empty, "m_pChangeBtn")->isEnabled());
            QCOMPARE(empty.windowTitle(), QString("Плагины"));
        }
        QList<PluginRecord> eleven;
        for (int id = 0; id <= 10; ++id)
            eleven.append({id, QString("P%1").arg(id), QString("/p/%1").arg(id), false});
        PluginsDlg dlg(*store, eleven);
        auto *table = child<QTableWidget>(dlg, "m_pTableWgt");
        QCOMPARE(table->columnCount(), 3);
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QString("№"));
        QCOMPARE(table->horizontalHeaderItem(2)->text(), QString("Путь"));
        answerAdd("Новый", "/opt/new plugin");
        dlg.slotAdd();
        QCOMPARE(dlg.plugins().size(), 12);
        QCOMPARE(dlg.plugins().last().id, 11);
        QCOMPARE(table->item(11, 0)->text(), QString("11"));
        QCOMPARE(store->value("plugins/11/Name").toString(), QString("Новый"));
        QCOMPARE(store->value("plugins/11/Path").toString(), QString("/opt/new plugin"));
    }

    void runningPluginsAreProtected()
    {
        kit::ScratchIni ini;
        auto store = openIni(ini.path());
        storePlugin(*store, {0, "A", "/a", false});
        storePlugin(*store, {1, "B", "/b", false});
        PluginsDlg dlg(*store, {{0, "A", "/a", true}, {1, "B", "/b", false}});
        auto *table = child<QTableWidget>(dlg, "m_pTableWgt");
        QCOMPARE(table->item(0, 1)->background().color(), QColor(225, 225, 225));
        QCOMPARE(table->item(1, 1)->background().color(), QColor(255, 255, 255));
        kit::MessageHand hand;
        table->selectRow(0);
        dlg.slotChange();
        dlg.slotDel();
        QCOMPARE(hand.texts(), QStringList({"Изменение работающего плагина невозможно!",
                                            "Удаление работающего плагина невозможно!"}));
        QCOMPARE(hand.seen().at(0).title, QString(" "));
        QCOMPARE(dlg.plugins().size(), 2);

        table->selectRow(1);
        answerNextDialog([](QWidget &d) {
            QCOMPARE(d.findChild<QLineEdit *>("m_pNameEdit")->text(), QString("B"));
            d.findChild<QLineEdit *>("m_pNameEdit")->setText("B2");
        }, "m_pAddBtn");
        dlg.slotChange();
        QCOMPARE(store->value("plugins/1/Name").toString(), QString("B2"));
        QCOMPARE(table->item(1, 1)->text(), QString("B2"));
        dlg.slotDel();
        QCOMPARE(dlg.plugins().size(), 1);
        QVERIFY(!store->contains("plugins/1/Name"));
        QVERIFY(store->contains("plugins/0/Name"));
    }

    void emptyFieldsAreRefused()
    {
        kit::MessageHand hand;
        AddChangePluginDlg add(AddChangePluginDlg::AddMode);
        QCOMPARE(add.windowTitle(), QString("Добавление"));
        add.show();
        add.accept();
        add.setValues("name", "");
        add.accept();
        QTRY_COMPARE(hand.seen().size(), 2);
        QCOMPARE(hand.texts(), QStringList({"Невозможно добавить плагин. Поле имени пустое.",
                                            "Невозможно добавить плагин. Поле пути пустое."}));
        QVERIFY(add.isVisible());
        AddChangePluginDlg change(AddChangePluginDlg::ChangeMode);
        change.setValues("", "/p");
        change.accept();
        QTRY_COMPARE(hand.seen().size(), 3);
        QCOMPARE(hand.seen().last().text, QString("Невозможно изменить информацию о плагине. Поле имени пустое."));
        QCOMPARE(hand.seen().last().title, QString("ORMA"));
    }

    // The refusal as the user sees it: a titled box whose one button reads in Russian, as every
    // stock button does.
    void boxesAreTitledAndTheirButtonsRussian()
    {
        const bool qtRussian = installQtRussian(*QCoreApplication::instance());
        AddChangePluginDlg add(AddChangePluginDlg::AddMode);
        add.setValues("name", "");
        add.show();
        QString title;
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                    title = box->windowTitle();
                    for (QAbstractButton *button : box->buttons())
                        buttons << button->text();
                    box->done(QMessageBox::Ok);
                }
        });
        add.accept();
        QCOMPARE(title, QString("ORMA"));
        QCOMPARE(buttons, QStringList{"ОК"});

        if (!qtRussian)
            QSKIP("Qt's Russian translation is not installed (qttranslations5-l10n)");
        QMessageBox every(QMessageBox::Question, "ORMA", "?");
        for (int b = QMessageBox::FirstButton; b <= QMessageBox::LastButton; b <<= 1)
            every.addButton(QMessageBox::StandardButton(b));
        QCOMPARE(every.buttons().size(), 18);
        for (QAbstractButton *button : every.buttons())
            QVERIFY2(!button->text().contains(QRegularExpression("[A-Za-z]")), qPrintable(button->text()));
    }

    void windowMenuFollowsTheDialog()
    {
        {
            QSettings store(kNativeOrganisation, kNativeApplication);
            storePlugin(store, {2, "Второй", "/p/2", false});
            storePlugin(store, {10, "Десятый", "/p/10", false});
        }
        Orma w;
        QCOMPARE(w.plugins().actions().size(), 2);
        QCOMPARE(w.plugins().actions().at(0)->text(), QString("Второй")); // numeric order
        auto *menu = w.findChild<QMenu *>("m_pTransformMenu");
        const QList<QAction *> items = menu->actions();
        const int manage = items.indexOf(action(w, "m_pPluginsAction"));
        QCOMPARE(items.mid(manage + 1), w.plugins().actions()); // the entries follow it

        // Delete the first, add one, close.
        answerNextDialog([](QWidget &d) {
            d.findChild<QTableWidget *>("m_pTableWgt")->selectRow(0);
            d.findChild<QPushButton *>("m_pDelBtn")->click();
            answerAdd("Новый", "/p/new");
            d.findChild<QPushButton *>("m_pAddBtn")->click();
        }, "m_pCloseBtn");
        action(w, "m_pPluginsAction")->trigger();
        QCOMPARE(w.plugins().actions().size(), 2);
        QCOMPARE(w.plugins().actions().at(0)->text(), QString("Десятый"));
        QCOMPARE(w.plugins().actions().at(1)->text(), QString("Новый"));
        QCOMPARE(w.plugins().actions().at(1)->objectName(), QString("m_pPlugin11"));
        QVERIFY(!menu->actions().contains(nullptr));
        QCOMPARE(menu->actions().mid(manage + 1), w.plugins().actions());
        QSettings store(kNativeOrganisation, kNativeApplication);
        QVERIFY(!store.contains("plugins/2/Name"));
        QCOMPARE(store.value("plugins/11/Path").toString(), QString("/p/new"));
        store.remove("plugins");
    }
};

QTEST_MAIN(PluginDialogsTest)
#include "test_plugin_dialogs.moc"
