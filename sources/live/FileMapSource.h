#pragma once
// Live ADC data that an acquisition program publishes in three named shared-memory regions:
// base + "_blk0" (the samples of one block, interleaved as in a record file), base + "_flg"
// (state, value and a third word: the flag handshake of record files) and base + "_postfix"
// (the record postfix, zero-terminated, anywhere in the region). Only the transport differs
// from record files; the postfix rules, the handshake and the read pass are FileSource's.
//
// The worker opens the regions (waiting until the producer has made them) and closes them when
// its run ends; nothing else ever touches them. Every copy is bounded by the region's size at
// that moment, so a producer that shrinks a region costs samples (zero), never the process.
#include "sources/record/FileSource.h"
#include "sources/live/SharedRegion.h"

#include <QElapsedTimer>

class FileMapSource : public FileSource {
    Q_OBJECT
public:
    explicit FileMapSource(QObject *parent = nullptr);
    ~FileMapSource() override;

    void writeFlag(int32_t state, int32_t value) override;
    FlagWord readFlag() override;
    uint8_t detectContent() override { return ContentSamples; }
    bool readSamples() override;
    uint8_t loadPostfixes() override;
    // The regions' base name ("data" at first): base + "_blk0", "_flg", "_postfix".
    void setFileName(const QString &base) override;
    bool recordExists() override { return true; }
    // The handshake needs the state and value words; a smaller flag region is read without it.
    bool flagExists() override { return !m_orphaned && flagWordsPresent(); }
    qint64 recordSize() override;

    // Bytes of the published block: from the postfix, or the data region's size without one.
    uint64_t blockBytes() const { return m_blockBytes; }

    static constexpr int RegionRetryMs = 20;
    // How often a parked viewer checks that its regions are still the producer's.
    static constexpr int OrphanCheckMs = 250;
    // The postfix region is searched this far from its start.
    static constexpr uint64_t PostfixSearchBytes = 1 << 20;

protected:
    // The regions are closed when the run ends.
    void endRun() override;
    // Waits for the regions, then plays the flag handshake.
    void waitForData() override;
    int readBlock() override;

private:
    // One attempt to open whatever is not open yet; false while a region is missing.
    bool openRegions();
    void closeRegions();
    // The state and value words are there; says so once when they are not.
    bool flagWordsPresent();
    QString regionName(const char *suffix) const { return m_base + QLatin1String(suffix); }

    QString m_base;
    bool m_namesChanged = false;
    bool m_offerWithdrawn = false; // taken too late: the producer is writing a newer block
    bool m_orphaned = false;       // the producer removed or remade the regions
    QElapsedTimer m_orphanCheck;
    SharedRegion m_dataRegion, m_flagRegion, m_postfixRegion;
    int32_t m_thirdWord = 0; // read along with the flag, not interpreted
    uint64_t m_blockBytes = 1;
};
