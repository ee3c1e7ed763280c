// ADC output codes: known values of each code type, Gray code's one-bit steps, the
// significant-bit shift, and the block kernel's de-interleaving.
#include "sources/SampleCodes.h"

#include <QtTest>

#include <bitset>

class SampleCodesTest : public QObject {
    Q_OBJECT
private slots:
    void knownCodes_data()
    {
        QTest::addColumn<uint>("raw");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("expected");
        QTest::newRow("two's 0x8000") << 0x8000u << 2 << 0 << 16 << -32768;
        QTest::newRow("two's 0x7fff") << 0x7fffu << 2 << 0 << 16 << 32767;
        QTest::newRow("offset 0x8000 is mid-scale") << 0x8000u << 2 << 1 << 16 << 0;
        QTest::newRow("offset 0x0000 is negative full scale") << 0x0000u << 2 << 1 << 16 << -32768;
        QTest::newRow("offset 0xff in 1 byte") << 0xffu << 1 << 1 << 8 << 127;
        QTest::newRow("Gray 0x8000 at 16 bits") << 0x8000u << 2 << 2 << 16 << 32767;
        QTest::newRow("Gray 0x0000 at 16 bits") << 0x0000u << 2 << 2 << 16 << -32768;
        QTest::newRow("Gray 0xc000 is mid-scale") << 0xc000u << 2 << 2 << 16 << 0;
        QTest::newRow("12 bits high in 2 bytes: max") << 0x7ff0u << 2 << 0 << 12 << 2047;
        QTest::newRow("12 bits high in 2 bytes: min") << 0x8000u << 2 << 0 << 12 << -2048;
        QTest::newRow("12 bits ignore the low nibble") << 0x001fu << 2 << 0 << 12 << 1;
        QTest::newRow("4 bytes negative") << 0xfffffffeu << 4 << 0 << 32 << -2;
        QTest::newRow("24 bits in 4 bytes") << 0x80000000u << 4 << 0 << 24 << -8388608;
        QTest::newRow("Gray 4 bytes top") << 0x80000000u << 4 << 2 << 32 << 2147483647;
    }

    void knownCodes()
    {
        QFETCH(uint, raw);
        QFETCH(int, bytes);
        QFETCH(int, code);
        QFETCH(int, bits);
        QFETCH(int, expected);
        QCOMPARE(decodeSample(raw, bytes, code, bits), expected);
    }

    // Every stored 16-bit word decodes into the 12-bit range, and each code round-trips.
    void everyWordOfEveryCode()
    {
        for (int code = 0; code <= 2; ++code) {
            for (uint32_t raw = 0; raw <= 0xffff; ++raw) {
                const int32_t v = decodeSample(raw, 2, code, 12);
                QVERIFY(v >= -2048 && v <= 2047);
            }
            for (int32_t v = -2048; v <= 2047; ++v)
                QCOMPARE(decodeSample(encodeSample(v, 2, code, 12), 2, code, 12), v);
        }
    }

    // Gray code: neighbouring codes differ in exactly one stored bit.
    void grayStepsChangeOneBit()
    {
        for (int32_t v = -128; v < 127; ++v) {
            const uint32_t a = encodeSample(v, 1, CodeGray, 8);
            const uint32_t b = encodeSample(v + 1, 1, CodeGray, 8);
            QCOMPARE(std::bitset<32>(a ^ b).count(), size_t(1));
        }
    }

    void blockKernelDeinterleaves()
    {
        // Three frames of two channels, 2 bytes, offset binary, 14 significant bits.
        const int codes[3][2] = {{-8192, 8191}, {0, -1}, {100, -100}};
        std::vector<uint8_t> raw;
        for (const auto &frame : codes) {
            for (int c : frame) {
                const uint32_t s = encodeSample(c, 2, CodeOffsetBinary, 14);
                raw.push_back(uint8_t(s));
                raw.push_back(uint8_t(s >> 8));
            }
        }
        double out[2 * 5] = {};
        unpackFrames(raw.data(), 3, 2, 2, CodeOffsetBinary, 14, out, 5);
        for (int f = 0; f < 3; ++f) {
            QCOMPARE(out[f], double(codes[f][0]));
            QCOMPARE(out[5 + f], double(codes[f][1]));
        }
        QCOMPARE(out[3], 0.0); // stride gap untouched
    }
};

QTEST_GUILESS_MAIN(SampleCodesTest)
#include "test_sample_codes.moc"
