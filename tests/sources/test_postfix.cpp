// The postfix: every key's validity rule, the syntax (free key order, line ends, zero byte,
// the "_ " split), the search in a record's tail, and the writer's line order.
#include "sources/record/Postfix.h"

#include <QtTest>

namespace {

const QStringList CanonicalLines = {
    "DEVICE_NAME_ ADC-14 bench",  "NUMBER_OF_CHANNELS_ 2",   "NUMBERS_OF_CHANNELS_ 0,1",
    "NUMBER_OF_SAMPLES_ 1024",    "SAMPLING_RATE_ 1000000",  "BYTES_PER_SAMPLES_ 2",
    "IS_COMPLEX_SIGNAL?_ NO",     "SHIFT_FREQUENCY_ 0,0",    "GAINS_ 1,1",
    "VOLTAGE_RANGE_ 2.5",         "BIT_RANGE_ 14"};

// The canonical postfix with the line of `key` replaced (or dropped when `line` is empty).
QString withLine(const QString &key, const QString &line)
{
    QStringList lines;
    for (const QString &l : CanonicalLines) {
        if (!l.startsWith(key + "_ ") && !l.startsWith(key + " "))
            lines << l;
        else if (!line.isEmpty())
            lines << line;
    }
    return lines.join("\r\n") + "\r\n";
}

} // namespace

class PostfixTest : public QObject {
    Q_OBJECT
private slots:
    void canonicalRecordParses()
    {
        FileParams p;
        QCOMPARE(parsePostfix(withLine("NONE", ""), p), PostfixParsed);
        QCOMPARE(p.channelCount, 2u);
        QCOMPARE(p.channelNumbers, (std::vector<int>{0, 1}));
        QCOMPARE(p.sampleCount, 1024ull);
        QCOMPARE(p.sampleRate, 1e6);
        QCOMPARE(p.voltageRangeMv, 2500);
        QCOMPARE(int(p.bitRange), 14);
        QCOMPARE(int(p.bytesPerSample), 2);
        QVERIFY(!p.isComplex);
        QCOMPARE(p.gains, (std::vector<double>{1, 1}));
    }

    void keyRules_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("parses");
        const auto row = [](const char *tag, const char *key, const char *line, bool ok) {
            QTest::newRow(tag) << QString(key) << QString(line) << ok;
        };
        row("channels 0", "NUMBER_OF_CHANNELS", "NUMBER_OF_CHANNELS_ 0", false);
        row("channels not a number", "NUMBER_OF_CHANNELS", "NUMBER_OF_CHANNELS_ two", false);
        row("channels missing", "NUMBER_OF_CHANNELS", "", false);
        row("numbers fewer", "NUMBERS_OF_CHANNELS", "NUMBERS_OF_CHANNELS_ 0", false);
        row("numbers more", "NUMBERS_OF_CHANNELS", "NUMBERS_OF_CHANNELS_ 0,1,2", false);
        row("numbers empty items dropped", "NUMBERS_OF_CHANNELS", "NUMBERS_OF_CHANNELS_ 4,,5,",
            true);
        row("samples 7", "NUMBER_OF_SAMPLES", "NUMBER_OF_SAMPLES_ 7", false);
        row("samples 8", "NUMBER_OF_SAMPLES", "NUMBER_OF_SAMPLES_ 8", true);
        row("samples negative", "NUMBER_OF_SAMPLES", "NUMBER_OF_SAMPLES_ -1024", false);
        row("samples overflow the byte size", "NUMBER_OF_SAMPLES",
            "NUMBER_OF_SAMPLES_ 18446744073709551615", false);
        row("byte size past a file offset", "NUMBER_OF_SAMPLES",
            "NUMBER_OF_SAMPLES_ 2305843009213693952", false);
        row("rate 0", "SAMPLING_RATE", "SAMPLING_RATE_ 0", true);
        row("rate negative", "SAMPLING_RATE", "SAMPLING_RATE_ -1", false);
        row("rate not finite", "SAMPLING_RATE", "SAMPLING_RATE_ inf", false);
        row("bytes 3", "BYTES_PER_SAMPLES", "BYTES_PER_SAMPLES_ 3", false);
        row("bytes 8", "BYTES_PER_SAMPLES", "BYTES_PER_SAMPLES_ 8", false);
        row("bytes 0", "BYTES_PER_SAMPLES", "BYTES_PER_SAMPLES_ 0", false);
        row("14 bits do not fit 1 byte", "BYTES_PER_SAMPLES", "BYTES_PER_SAMPLES_ 1", false);
        row("bytes 4", "BYTES_PER_SAMPLES", "BYTES_PER_SAMPLES_ 4", true);
        row("complex YES", "IS_COMPLEX_SIGNAL?", "IS_COMPLEX_SIGNAL?_ YES", true);
        row("complex lower case", "IS_COMPLEX_SIGNAL?", "IS_COMPLEX_SIGNAL?_ no", false);
        row("complex lower case yes", "IS_COMPLEX_SIGNAL?", "IS_COMPLEX_SIGNAL?_ yes", false);
        row("complex other word", "IS_COMPLEX_SIGNAL?", "IS_COMPLEX_SIGNAL?_ TRUE", false);
        row("shift fewer", "SHIFT_FREQUENCY", "SHIFT_FREQUENCY_ 0", false);
        row("shift more", "SHIFT_FREQUENCY", "SHIFT_FREQUENCY_ 0,0,0", true);
        row("gains fewer", "GAINS", "GAINS_ 1", false);
        row("gains empty list", "GAINS", "GAINS_ ", false);
        row("gains garbage item", "GAINS", "GAINS_ 1,x", false);
        row("range negative", "VOLTAGE_RANGE", "VOLTAGE_RANGE_ -2.5", true);
        row("range past 32 bits of mV", "VOLTAGE_RANGE", "VOLTAGE_RANGE_ 3000000", false);
        row("bits 0", "BIT_RANGE", "BIT_RANGE_ 0", false);
        row("bits 16 in 2 bytes", "BIT_RANGE", "BIT_RANGE_ 16", true);
        row("bits 17 in 2 bytes", "BIT_RANGE", "BIT_RANGE_ 17", false);
        row("no blank after the key", "BIT_RANGE", "BIT_RANGE_14", false);
        row("blank but no underscore", "BIT_RANGE", "BIT_RANGE 14", false);
    }

    void keyRules()
    {
        QFETCH(QString, key);
        QFETCH(QString, line);
        QFETCH(bool, parses);
        FileParams p;
        QString problem;
        QCOMPARE(parsePostfix(withLine(key, line), p, &problem) == PostfixParsed, parses);
        // A refusal names the key it found wrong, so that the producer can be mended (a sample
        // size too small for the bits is blamed on the bit range, which is checked against it).
        if (!parses)
            QVERIFY2(problem.startsWith(key + "_") || problem.startsWith("BIT_RANGE_"),
                     qPrintable(problem));
    }

    void refusalsSayWhatRuleIsBroken()
    {
        FileParams p;
        QString problem;
        QCOMPARE(parsePostfix(withLine("BIT_RANGE", "BIT_RANGE_ 20"), p, &problem), PostfixError);
        QCOMPARE(problem, QString::fromUtf8("BIT_RANGE_ \"20\": 20 разрядов не помещаются в отсчет из 2 байт"));
        QCOMPARE(parsePostfix(withLine("NUMBER_OF_SAMPLES", "NUMBER_OF_SAMPLES_ many"), p, &problem),
                 PostfixError);
        QCOMPARE(problem, QString::fromUtf8("NUMBER_OF_SAMPLES_ \"many\": нужно целое неотрицательное число"));
    }

    void smallRangeTruncatesToZeroMillivolts()
    {
        FileParams p;
        QCOMPARE(parsePostfix(withLine("VOLTAGE_RANGE", "VOLTAGE_RANGE_ 0.0005"), p),
                 PostfixParsed);
        QCOMPARE(p.voltageRangeMv, 0);
    }

    void failedParseKeepsTheKeysBeforeIt()
    {
        FileParams p;
        p.gains = {7};
        QCOMPARE(parsePostfix(withLine("GAINS", "GAINS_ 1"), p), PostfixError);
        QCOMPARE(p.channelCount, 2u);
        QCOMPARE(p.sampleCount, 1024ull);
        QCOMPARE(p.gains, std::vector<double>{7});
        QCOMPARE(int(p.bitRange), 0);
    }

    void syntaxVariantsParseAlike()
    {
        FileParams reference;
        QCOMPARE(parsePostfix(withLine("NONE", ""), reference), PostfixParsed);
        QStringList reversed = CanonicalLines;
        std::reverse(reversed.begin() + 1, reversed.end());
        const QStringList texts = {
            CanonicalLines.join("\n") + "\n",     // lone "\n"
            CanonicalLines.join("\r\n"),          // last line unterminated
            reversed.join("\r\n") + "\r\n",       // free key order
        };
        for (const QString &text : texts) {
            FileParams p;
            QCOMPARE(parsePostfix(text, p), PostfixParsed);
            QCOMPARE(p.channelCount, reference.channelCount);
            QCOMPARE(p.sampleCount, reference.sampleCount);
            QCOMPARE(p.bitRange, reference.bitRange);
            QCOMPARE(p.voltageRangeMv, reference.voltageRangeMv);
        }
    }

    void tailSearchStopsAtZeroByte()
    {
        const QByteArray postfix = withLine("NONE", "").toLatin1();
        const QByteArray tail = QByteArray(100, '\x7f') + postfix + '\0' + "GAINS_ 9";
        const PostfixSearch found = findPostfix(tail);
        QVERIFY(found.found);
        QCOMPARE(found.offset, 100);
        QCOMPARE(found.text, QString::fromLatin1(postfix));

        QVERIFY(!findPostfix(QByteArray(4096, '\x55')).found);
        // A bit range without a device name counts as found, and fails to parse.
        const PostfixSearch partial = findPostfix("BIT_RANGE_ 12\r\n");
        QVERIFY(partial.found);
        FileParams p;
        QCOMPARE(parsePostfix(partial.text, p), PostfixError);
    }

    void writerRoundTripsInSignatureOrder()
    {
        FileParams p;
        p.channelCount = 3;
        p.channelNumbers = {4, 5, 9};
        p.sampleCount = 123456789012ull;
        p.sampleRate = 2.5e6;
        p.bitRange = 12;
        p.bytesPerSample = 2;
        p.voltageRangeMv = 1250;
        p.isComplex = false;
        const QByteArray text = formatPostfix(p, "Стенд");
        const QStringList lines = QString::fromLatin1(text).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines.at(3).split(' ').at(1), QString("3"));
        QCOMPARE(lines.at(7).split(' ').at(1), QString("NO"));
        // The device name travels in CP1251: one byte per letter.
        QVERIFY(text.startsWith(QByteArray("DEVICE_NAME_ \xd1\xf2\xe5\xed\xe4\r\n")));

        const PostfixSearch found = findPostfix(text);
        QCOMPARE(found.text.section("\r\n", 0, 0), QString("DEVICE_NAME_ Стенд"));
        FileParams back;
        QCOMPARE(parsePostfix(found.text, back), PostfixParsed);
        QCOMPARE(back.channelNumbers, p.channelNumbers);
        QCOMPARE(back.sampleCount, p.sampleCount);
        QCOMPARE(back.sampleRate, p.sampleRate);
        QCOMPARE(back.voltageRangeMv, p.voltageRangeMv);
        QCOMPARE(back.gains, (std::vector<double>{1, 1, 1}));
    }

    void spectrumTail()
    {
        const QString tail = "FFT_SIZE_ 4096\r\nNUMBER_OF_CHANNELS_ 1\r\nNUMBERS_OF_CHANNELS_ 3\r\n"
                             "SAMPLING_RATE_ 48000\r\n";
        FileParams p;
        uint32_t n = 0;
        QCOMPARE(parseSpectrumPostfix(tail, p, n), PostfixParsed);
        QCOMPARE(n, 4096u);
        QCOMPARE(p.channelNumbers, std::vector<int>{3});
        QCOMPARE(parseSpectrumPostfix(QString(tail).replace("4096", "1000"), p, n), PostfixError);
    }
};

QTEST_GUILESS_MAIN(PostfixTest)
#include "test_postfix.moc"
