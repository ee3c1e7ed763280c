// Address and port input of the network settings: what is accepted, what may still be typed,
// what is refused, and what the dialog hands back.
#include "sources/ui/IntValidator.h"
#include "sources/ui/IpValidator.h"
#include "sources/ui/NetworkSettingsDlg.h"

#include "DialogTestKit.h"

#include <QLineEdit>
#include <QPushButton>

Q_DECLARE_METATYPE(QValidator::State)

class ValidatorsTest : public QObject {
    Q_OBJECT
private slots:
    void address_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QValidator::State>("state");
        QTest::addColumn<QString>("after");
        const auto ok = QValidator::Acceptable;
        const auto typing = QValidator::Intermediate;
        const auto bad = QValidator::Invalid;
        QTest::newRow("dotted") << "192.168.0.1" << ok << "192.168.0.1";
        QTest::newRow("blanks become dots") << "192 168 0 1" << ok << "192.168.0.1";
        QTest::newRow("extremes") << "255.255.255.255" << ok << "255.255.255.255";
        QTest::newRow("short form") << "10.0" << ok << "10.0";
        QTest::newRow("256 in a part") << "256.1.1.1" << bad << "256.1.1.1";
        QTest::newRow("five parts") << "1.2.3.4.5" << bad << "1.2.3.4.5";
        QTest::newRow("five parts, last empty") << "1.2.3.4." << bad << "1.2.3.4.";
        QTest::newRow("negative") << "-1.2.3.4" << bad << "-1.2.3.4";
        QTest::newRow("sign") << "1.+2.3.4" << bad << "1.+2.3.4";
        QTest::newRow("beyond int") << "99999999999.1" << bad << "99999999999.1";
        QTest::newRow("trailing dot") << "192.168." << typing << "192.168.";
        QTest::newRow("double dot") << "1..2" << typing << "1..2";
        QTest::newRow("empty") << "" << typing << "";
    }
    void address()
    {
        QFETCH(QString, input);
        QFETCH(QValidator::State, state);
        QFETCH(QString, after);
        IpValidator validator;
        int pos = input.size();
        QCOMPARE(validator.validate(input, pos), state);
        QCOMPARE(input, after);
    }

    void port_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QValidator::State>("state");
        const auto ok = QValidator::Acceptable;
        const auto bad = QValidator::Invalid;
        QTest::newRow("7777") << "7777" << ok;
        QTest::newRow("9999") << "9999" << ok;
        QTest::newRow("65535") << "65535" << bad;
        QTest::newRow("negative") << "-1" << bad;
        QTest::newRow("inner blank") << "77 77" << bad;
        QTest::newRow("group separator") << "7,777" << bad;
        QTest::newRow("empty") << "" << QValidator::Intermediate;
    }
    void port()
    {
        QFETCH(QString, input);
        QFETCH(QValidator::State, state);
        IntValidator validator(0, 9999);
        int pos = input.size();
        QCOMPARE(validator.validate(input, pos), state);
    }

    void typingBlanksInTheAddressFieldGivesDots()
    {
        NetworkSettingsDlg dlg;
        auto *edit = kit::child<QLineEdit>(dlg, "m_pIpAdrEdit");
        edit->clear();
        QTest::keyClicks(edit, "192 168 0 1");
        QCOMPARE(edit->text(), QStringLiteral("192.168.0.1"));
        QTest::keyClicks(edit, "2345"); // 1234 and 1235 are no bytes: the last two keys are refused
        QCOMPARE(edit->text(), QStringLiteral("192.168.0.123"));
    }

    void okHandsBackTheEditedSettings()
    {
        NetworkSettingsDlg dlg;
        QVERIFY(dlg.settings() == NetworkSettings());
        NetworkSettings owner;
        owner.address = "10.9.8.7";
        const NetworkSettings kept = owner;
        for (bool isOk : {false, true}) {
            dlg.setSettings(owner);
            QCOMPARE(kit::child<QLineEdit>(dlg, "m_pIpAdrEdit")->text(), QStringLiteral("10.9.8.7"));
            dlg.show();
            kit::child<QLineEdit>(dlg, "m_pIpAdrEdit")->setText("10.1.2.3");
            kit::child<QLineEdit>(dlg, "m_pPortEdit")->setText("5025");
            kit::child<QLineEdit>(dlg, "m_pFileNameEdit")->setText(QString::fromUtf8("данные_0.bin"));
            kit::child<QPushButton>(dlg, isOk ? "m_pOkButton" : "m_pCancelButton")->click();
            QCOMPARE(dlg.result(), int(isOk ? QDialog::Accepted : QDialog::Rejected));
        }
        QVERIFY(owner == kept);
        const NetworkSettings s = dlg.settings();
        QCOMPARE(s.address, QStringLiteral("10.1.2.3"));
        QCOMPARE(s.port, 5025u);
        QCOMPARE(s.fileName, QString::fromUtf8("данные_0.bin"));
    }

    void incompleteInputIsRefused_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("warning");
        QTest::newRow("trailing dot") << "192.168." << "7777" << QString::fromUtf8("\nНеверный IP адрес!");
        QTest::newRow("no address") << "" << "7777" << QString::fromUtf8("\nНеверный IP адрес!");
        QTest::newRow("no port") << "127.0.0.1" << "" << QString::fromUtf8("\nНеверный номер порта!");
    }
    void incompleteInputIsRefused()
    {
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QString, warning);
        NetworkSettingsDlg dlg;
        dlg.show();
        kit::child<QLineEdit>(dlg, "m_pIpAdrEdit")->setText(address);
        kit::child<QLineEdit>(dlg, "m_pPortEdit")->setText(port);
        kit::MessageHand hand;
        kit::child<QPushButton>(dlg, "m_pOkButton")->click();
        QCOMPARE(hand.texts(), QStringList{warning});
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(ValidatorsTest)
#include "test_validators.moc"
