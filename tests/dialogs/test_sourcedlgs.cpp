// The file-parameters and loaded-files dialogs: what the user parameters become, the rules that
// keep them consistent, and which records may join a set.
#include "sources/ui/FileParamsDlg.h"
#include "sources/ui/LoadedFilesDlg.h"

#include "DialogTestKit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

namespace {

// A record of `dataBytes` zero bytes followed by a postfix whose fourth line gives the channel
// count and whose eighth gives the complex flag.
QString writeRecord(const QString &sDir, const QString &sName, int nChannels, const char *sComplex,
                    const QByteArray &lineEnd = "\r\n", int nDataBytes = 4096)
{
    const QList<QByteArray> lines = {"DEVICE_NAME_ \xC0\xD6\xCF-14", // "АЦП-14" in CP1251
                                     "NUMBER_OF_SAMPLES_ 1024",
                                     "SAMPLING_RATE_ 1000000",
                                     "NUMBER_OF_CHANNELS_ " + QByteArray::number(nChannels),
                                     "NUMBERS_OF_CHANNELS_ 0,1",
                                     "BYTES_PER_SAMPLES_ 2",
                                     "BIT_RANGE_ 14",
                                     QByteArray("IS_COMPLEX_SIGNAL?_ ") + sComplex};
    QFile file(sDir + "/" + sName);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write a record");
    file.write(QByteArray(nDataBytes, '\0'));
    for (const QByteArray &line : lines)
        file.write(line + lineEnd);
    return file.fileName();
}

QString writeRaw(const QString &sDir, const QString &sName, int nBytes)
{
    QFile file(sDir + "/" + sName);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write a record");
    file.write(QByteArray(nBytes, '\x11'));
    return file.fileName();
}

// A loaded-files dialog whose file chooser answers from a script.
class ScriptedLoadedFilesDlg : public LoadedFilesDlg {
public:
    QString answer;

protected:
    QString chooseFile() override { return answer; }
};

// The fields the dialog edits: rate (Hz), bytes, channels, bits, range (mV), complex, code.
QVariantList fields(const FileParams &p)
{
    return {p.sampleRate, int(p.bytesPerSample), p.channelCount, int(p.bitRange), p.voltageRangeMv, p.isComplex,
            p.codeType};
}

void selectRow(QListWidget *list, int nRow)
{
    list->setCurrentRow(nRow, QItemSelectionModel::ClearAndSelect);
}

} // namespace

class SourceDlgsTest : public QObject {
    Q_OBJECT
private slots:
    void freshUserParametersAreLockedUntilChangeIsTicked()
    {
        FileParamsDlg dlg;
        QVERIFY(!dlg.isChangeChecked());
        // 20000000 kHz, 2 bytes, 2 channels, 14 bits, 5 V, real, two's complement.
        QVERIFY(dlg.settings() == FileParamsSettings());
        QCOMPARE(fields(dlg.settings().fileParams()), (QVariantList{2e10, 2, 2u, 14, 5000, false, 0}));
        const char *const editors[] = {"m_pSampleRateSpin",  "m_pBytesPerSamplesSpin", "m_pChanNumSpin",
                                       "m_pBitRangeSpin",    "m_pVoltageRangeSpin",    "m_pComplecCheckBox",
                                       "m_pConvertCodeCmbBox"};
        for (const char *name : editors)
            QVERIFY2(!kit::child<QWidget>(dlg, name)->isEnabled(), name);
        kit::child<QCheckBox>(dlg, "m_pChangeCheck")->setChecked(true);
        for (const char *name : editors)
            QVERIFY2(kit::child<QWidget>(dlg, name)->isEnabled(), name);
    }

    void complexRecordsKeepAPairOfChannels()
    {
        FileParamsDlg dlg;
        auto *channels = kit::child<QSpinBox>(dlg, "m_pChanNumSpin");
        auto *complex = kit::child<QCheckBox>(dlg, "m_pComplecCheckBox");
        complex->setChecked(true);
        channels->setValue(1);
        QCOMPARE(channels->value(), 2);

        complex->setChecked(false);
        channels->setValue(1);
        complex->setChecked(true);
        QVERIFY(!complex->isChecked());
        QCOMPARE(channels->value(), 1);
    }

    void sampleWidthIsOneTwoOrFourBytes()
    {
        FileParamsDlg dlg;
        auto *bytes = kit::child<QSpinBox>(dlg, "m_pBytesPerSamplesSpin");
        auto *bits = kit::child<QSpinBox>(dlg, "m_pBitRangeSpin");
        bytes->stepBy(1);
        QCOMPARE(bytes->value(), 4);
        QCOMPARE(bits->maximum(), 32);
        bytes->stepBy(-2);
        QCOMPARE(bytes->value(), 1);
        QCOMPARE(bits->value(), 8); // a byte holds no 14 significant bits

        dlg.show();
        kit::child<QCheckBox>(dlg, "m_pChangeCheck")->setChecked(true);
        bytes->selectAll();
        QTest::keyClick(bytes, Qt::Key_3);
        QTest::keyClick(bytes, Qt::Key_Enter);
        QCOMPARE(bytes->value(), 1);
    }

    void userParametersInDialogUnits()
    {
        FileParamsDlg dlg;
        dlg.show();
        kit::child<QCheckBox>(dlg, "m_pChangeCheck")->setChecked(true);
        kit::child<QDoubleSpinBox>(dlg, "m_pSampleRateSpin")->setValue(125000.5);
        kit::child<QSpinBox>(dlg, "m_pBytesPerSamplesSpin")->setValue(4);
        kit::child<QSpinBox>(dlg, "m_pChanNumSpin")->setValue(8);
        kit::child<QSpinBox>(dlg, "m_pBitRangeSpin")->setValue(24);
        kit::child<QDoubleSpinBox>(dlg, "m_pVoltageRangeSpin")->setValue(1.001);
        kit::child<QCheckBox>(dlg, "m_pComplecCheckBox")->setChecked(true);
        kit::child<QComboBox>(dlg, "m_pConvertCodeCmbBox")->setCurrentIndex(2);
        kit::child<QPushButton>(dlg, "m_pOkButton")->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        // kHz and V as typed.
        FileParamsSettings entered;
        entered.useUserParams = true;
        entered.sampleRateKhz = 125000.5;
        entered.bytesPerSample = 4;
        entered.channelCount = 8;
        entered.bitRange = 24;
        entered.voltageRange = 1.001;
        entered.isComplex = true;
        entered.codeType = 2;
        QVERIFY(dlg.settings() == entered);

        FileParamsDlg again;
        again.setSettings(entered);
        QVERIFY(again.isChangeChecked());
        QVERIFY(kit::child<QSpinBox>(again, "m_pChanNumSpin")->isEnabled());
        QVERIFY(again.settings() == entered);

        // Refilled with a single real channel, the complex pair shown before must not keep two.
        FileParamsSettings single;
        single.channelCount = 1;
        again.setSettings(single);
        QVERIFY(again.settings() == single);
    }

    void recordParametersAreShownUnlessUserOnesAreTicked()
    {
        FileParams record = zeroedFileParams();
        record.channelCount = 4;
        record.sampleRate = 2.5e6;
        record.bytesPerSample = 2;
        record.bitRange = 12;
        record.voltageRangeMv = 20000; // wider than a user may type: shown, not clipped
        record.isComplex = true;
        FileParamsDlg dlg;
        dlg.presetForRecord(record, true, false);
        QCOMPARE(kit::child<QDoubleSpinBox>(dlg, "m_pSampleRateSpin")->value(), 2500.0); // kHz
        QCOMPARE(fields(dlg.settings().fileParams()), fields(record));
        QVERIFY(kit::child<QCheckBox>(dlg, "m_pChangeCheck")->isEnabled());

        FileParamsSettings user;
        user.useUserParams = true;
        FileParamsDlg ticked;
        ticked.setSettings(user);
        ticked.presetForRecord(record, true, false);
        QCOMPARE(ticked.settings().channelCount, 2);
    }

    void recordWithoutPostfixMakesUserParametersMandatory()
    {
        FileParamsDlg dlg;
        dlg.presetForRecord(zeroedFileParams(), false, false);
        QVERIFY(dlg.isChangeChecked());
        QVERIFY(!kit::child<QCheckBox>(dlg, "m_pChangeCheck")->isEnabled());
        QVERIFY(kit::child<QSpinBox>(dlg, "m_pChanNumSpin")->isEnabled());
        dlg.accept();
        // The forced tick is not the user's choice: the handed-back choice stays the user's.
        QVERIFY(!dlg.settings().useUserParams);
        QCOMPARE(dlg.settings().channelCount, 2);

        // The next record has a postfix: the tick is the user's again.
        dlg.setSettings(dlg.settings());
        QVERIFY(!dlg.isChangeChecked() && kit::child<QCheckBox>(dlg, "m_pChangeCheck")->isEnabled());

        // The generator's records need no postfix: only a tick already made is locked.
        FileParamsDlg sim;
        sim.presetForRecord(zeroedFileParams(), false, true);
        QVERIFY(!sim.isChangeChecked() && kit::child<QCheckBox>(sim, "m_pChangeCheck")->isEnabled());
        FileParamsSettings user;
        user.useUserParams = true;
        FileParamsDlg simTicked;
        simTicked.setSettings(user);
        simTicked.presetForRecord(zeroedFileParams(), false, true);
        QVERIFY(simTicked.isChangeChecked() && !kit::child<QCheckBox>(simTicked, "m_pChangeCheck")->isEnabled());
        QVERIFY(simTicked.settings().useUserParams);
    }

    void recordSignature()
    {
        QTemporaryDir dir;
        const RecordSignature yes = readRecordSignature(writeRecord(dir.path(), "a.bin", 2, "YES"));
        QVERIFY(yes.hasPostfix && yes.isComplex);
        QCOMPARE(yes.lineFourValue, 2);
        const RecordSignature no = readRecordSignature(writeRecord(dir.path(), "b.bin", 3, "NO"));
        QVERIFY(no.hasPostfix && !no.isComplex);
        QCOMPARE(no.lineFourValue, 3);

        // Blank lines do not count, and a lone "\n" ends a line as "\r\n" does.
        QCOMPARE(readRecordSignature(writeRecord(dir.path(), "c.bin", 2, "YES", "\r\n\r\n")), yes);
        QCOMPARE(readRecordSignature(writeRecord(dir.path(), "d.bin", 2, "YES", "\n")), yes);
        // A record shorter than the tail that is searched.
        QCOMPARE(readRecordSignature(writeRecord(dir.path(), "e.bin", 2, "YES", "\r\n", 16)), yes);

        const RecordSignature none;
        QCOMPARE(readRecordSignature(writeRaw(dir.path(), "raw.bin", 10000)), none);
        QCOMPARE(readRecordSignature(dir.filePath("missing.bin")), none);
        // A postfix followed by more than 4096 bytes is out of reach.
        const QString buried = writeRecord(dir.path(), "f.bin", 2, "YES");
        QFile file(buried);
        QVERIFY(file.open(QIODevice::Append));
        file.write(QByteArray(5000, '\x22'));
        file.close();
        QCOMPARE(readRecordSignature(buried), none);
    }

    void onlyMatchingRecordsJoinTheSet()
    {
        QTemporaryDir dir;
        const QString first = writeRecord(dir.path(), "first.bin", 2, "YES");
        ScriptedLoadedFilesDlg dlg;
        dlg.setFiles({first});
        QSignalSpy spy(&dlg, &LoadedFilesDlg::signalAddRemoveFile);

        kit::MessageHand hand;
        dlg.answer = writeRecord(dir.path(), "real.bin", 2, "NO");
        dlg.slotAddFile();
        QCOMPARE(hand.seen().size(), 1);
        QCOMPARE(hand.seen().first().title, QString::fromUtf8("Ошибка"));
        QCOMPARE(hand.seen().first().text, QString::fromUtf8("\nФайл имеет другие параметры!"));
        QCOMPARE(hand.seen().first().icon, QMessageBox::Critical);
        QVERIFY(!dlg.addFile(writeRecord(dir.path(), "four.bin", 4, "YES")));
        QVERIFY(!dlg.addFile(writeRaw(dir.path(), "raw.bin", 8192)));
        QCOMPARE(spy.count(), 0);

        const QString second = writeRecord(dir.path(), "second.bin", 2, "YES", "\n");
        dlg.answer = second;
        dlg.slotAddFile();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0), (QVariantList{0, second}));
        QCOMPARE(dlg.files(), (QStringList{first, second}));

        QVERIFY(!dlg.addFile(second)); // the same record twice would show its channels twice
        dlg.answer.clear();            // the chooser was cancelled
        dlg.slotAddFile();
        QCOMPARE(spy.count(), 1);
    }

    void theMainRecordCannotBeRemoved()
    {
        QTemporaryDir dir;
        const QStringList paths = {writeRecord(dir.path(), "a.bin", 2, "NO"),
                                   writeRecord(dir.path(), "b.bin", 2, "NO"),
                                   writeRecord(dir.path(), "c.bin", 2, "NO")};
        LoadedFilesDlg dlg;
        QSignalSpy spy(&dlg, &LoadedFilesDlg::signalAddRemoveFile);
        auto *list = kit::child<QListWidget>(dlg, "m_pFileList");
        auto *remove = kit::child<QPushButton>(dlg, "m_pRemoveButton");
        dlg.setFiles({paths.at(0)});
        selectRow(list, 0);
        dlg.slotRemoveFile(); // the only record
        dlg.setFiles(paths);
        selectRow(list, 0);
        QVERIFY(!remove->isEnabled());
        dlg.slotRemoveFile(); // the main record
        list->clearSelection();
        dlg.slotRemoveFile(); // nothing selected
        QCOMPARE(spy.count(), 0);

        selectRow(list, 1);
        QVERIFY(remove->isEnabled());
        remove->click();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0), (QVariantList{1, paths.at(1)}));
        QCOMPARE(dlg.files(), (QStringList{paths.at(0), paths.at(2)}));
    }
};

QTEST_MAIN(SourceDlgsTest)
#include "test_sourcedlgs.moc"
