#pragma once
// The postfix: the text description at the end of a record ("DEVICE_NAME_ ...", one key per
// line, "_ " between key and value). Finding it in a record's tail, parsing it with every
// validity rule, and writing one.
#include "sources/FileParams.h"

#include <QByteArray>
#include <QString>

constexpr uint8_t PostfixParsed = 0;
constexpr uint8_t PostfixError = 0xFF;
// The postfix lies entirely within this many bytes at the end of a record.
constexpr int PostfixTailBytes = 4096;

struct PostfixSearch {
    bool found = false;  // "DEVICE_NAME" or "BIT_RANGE" occurs in the tail
    QString text;        // from "DEVICE_NAME" to the first zero byte; empty without it
    int offset = -1;     // byte offset of "DEVICE_NAME" in the tail, -1 without it
};

// Looks for the postfix in the last bytes of a record (the local 8-bit code page is CP1251).
PostfixSearch findPostfix(const QByteArray &tail);

// Parses a record postfix into `params` key by key in a fixed order (with the optional
// "SAMPLE_FORMAT_ FLOAT" the samples are IEEE floats of 4 or 8 bytes, CodeFloat); the first key that is
// missing or breaks its rule ends the parse with PostfixError, leaving the keys before it stored.
// `problem`, when given, names the key, its value and the rule it breaks.
uint8_t parsePostfix(const QString &text, FileParams &params, QString *problem = nullptr);

// Parses the tail of a spectrum file ("FFT_SIZE_", channels, channel numbers, rate).
uint8_t parseSpectrumPostfix(const QString &text, FileParams &params, uint32_t &fftSize);

// The postfix a producer writes for `params`, CP1251, "\r\n" line ends, in the line order that
// the loaded-files signature reads (channel count on line 4, complex flag on line 8).
QByteArray formatPostfix(const FileParams &params, const QString &deviceName);

// What a record must share with the first one of the set to be added to it.
struct RecordSignature {
    bool hasPostfix = false;
    int lineFourValue = 0; // second word of the postfix's fourth line
    bool isComplex = false; // second word of its eighth line is "YES"

    bool operator==(const RecordSignature &other) const
    {
        return hasPostfix == other.hasPostfix && lineFourValue == other.lineFourValue
            && isComplex == other.isComplex;
    }
    bool operator!=(const RecordSignature &other) const { return !(*this == other); }
};

// Reads the signature from a record's last 4096 bytes; a missing file has no postfix.
RecordSignature readRecordSignature(const QString &sPath);
