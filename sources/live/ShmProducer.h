#pragma once
// A live producer over shared memory, as an acquisition program publishes: makes the three
// regions (base + "_blk0", "_flg", "_postfix"), writes the postfix of one block, then writes
// block after block into the data region and offers each through the flag words. A block is
// only ever written while the viewer is not reading: never over a block it has taken.
#include "sources/record/RecordWriter.h"
#include "sources/live/SharedRegion.h"

class ShmProducer {
public:
    // recipe.params.sampleCount is the number of samples per channel in one block.
    ShmProducer(const QString &base, const RecordRecipe &recipe);
    // Removes the regions' names (a viewer that has them open keeps its views).
    ~ShmProducer();

    // Makes the regions with block 0 on offer; the flag appears last, when the rest is whole.
    bool start(QString *error = nullptr);
    // Waits up to patienceMs for the viewer to be back from the last block (state idle), then
    // writes the next block and offers it (state -1, value = its number). An offer nobody
    // took in time is replaced; while the viewer holds a block (state 1) the new one is not
    // written but skipped, so the block being read stays intact. Block k (counting skipped
    // ones) holds the recipe's frames k*S .. (k+1)*S - 1.
    bool publishBlock(int patienceMs);
    // Waits up to ms for the viewer to take the offered block.
    bool waitTaken(int ms) const;
    void finish();

    uint64_t blocksPublished() const { return m_published; }
    uint64_t blocksSkipped() const { return m_skipped; }
    uint64_t blockBytes() const;
    // The stored bytes of block k (what publishBlock writes for it).
    QByteArray blockData(uint64_t k);

private:
    bool waitForState(int ms, bool (*accept)(int32_t)) const;

    QString m_base;
    RecordRecipe m_recipe;
    RecordSynthesizer m_synth;
    SharedRegion m_data, m_flag, m_postfix;
    uint64_t m_published = 0, m_skipped = 0, m_blockIndex = 0;
};
