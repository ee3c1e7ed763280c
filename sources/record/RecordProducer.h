#pragma once
// A live producer: grows a record block by block (samples appended in place of the old
// postfix, then the postfix again with the new length) and offers each block to the viewer
// through the flag file.
#include "sources/record/FlagFile.h"
#include "sources/record/RecordWriter.h"

class RecordProducer {
public:
    // recipe.params.sampleCount is the number of samples per channel in one block.
    RecordProducer(const QString &path, const RecordRecipe &recipe);

    // Creates the empty record and the flag file (idle).
    bool start(QString *error = nullptr);
    // Appends the next block and rewrites the postfix.
    bool appendBlock(QString *error = nullptr);
    // Offers the blocks written so far: waits up to patienceMs for the viewer to be back from
    // the last block (state idle), then sets state -1 with the block count as value.
    void announce(int patienceMs);
    // Waits up to ms for the viewer to take the offered block; true when it did.
    bool waitTaken(int ms) const;
    const QString &flagPath() const { return m_flag.path(); }

private:
    bool waitForState(int ms, const std::function<bool(int32_t)> &accept) const;

    QString m_path;
    RecordRecipe m_recipe;
    RecordSynthesizer m_synth;
    FlagFile m_flag;
    uint64_t m_blocks = 0;
    qint64 m_dataBytes = 0;
};
