#include "sources/record/RecordProducer.h"

#include "sources/record/Postfix.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

RecordProducer::RecordProducer(const QString &path, const RecordRecipe &recipe)
    : m_path(path), m_recipe(recipe), m_synth(recipe)
{
    m_flag.setPath(FlagFile::pathFor(path));
}

bool RecordProducer::start(QString *error)
{
    if (m_flag.path().isEmpty()) {
        if (error)
            *error = QStringLiteral("the record name must contain \".bin\" for its flag file");
        return false;
    }
    QFile record(m_path), flag(m_flag.path());
    const char idle[8] = {};
    const bool ok = record.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    flag.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    flag.write(idle, 8) == 8;
    if (!ok && error)
        *error = record.error() != QFileDevice::NoError ? record.errorString()
                                                        : flag.errorString();
    m_blocks = 0;
    m_dataBytes = 0;
    return ok;
}

bool RecordProducer::appendBlock(QString *error)
{
    const uint64_t perBlock = m_recipe.params.sampleCount;
    const QByteArray samples = m_synth.frames(m_blocks * perBlock, perBlock);
    FileParams described = m_recipe.params;
    described.sampleCount = (m_blocks + 1) * perBlock;
    QFile record(m_path);
    // The new samples go where the old postfix began; the new postfix follows them.
    const bool ok = record.open(QIODevice::ReadWrite) && record.resize(m_dataBytes) &&
                    record.seek(m_dataBytes) && record.write(samples) == samples.size() &&
                    record.write(formatPostfix(described, m_recipe.deviceName)) > 0;
    if (!ok) {
        if (error)
            *error = record.errorString();
        return false;
    }
    m_dataBytes += samples.size();
    ++m_blocks;
    return true;
}

bool RecordProducer::waitForState(int ms, const std::function<bool(int32_t)> &accept) const
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        FlagWord word;
        if (m_flag.read(word) && accept(word.state))
            return true;
        if (timer.elapsed() >= ms)
            return false;
        QThread::msleep(1);
    }
}

void RecordProducer::announce(int patienceMs)
{
    // Writing -1 while the viewer is still answering the last block could be overwritten by
    // that answer; a live producer does not wait for ever, though.
    waitForState(patienceMs, [](int32_t state) { return state == FlagIdle; });
    m_flag.write({FlagBlockReady, int32_t(m_blocks)});
}

bool RecordProducer::waitTaken(int ms) const
{
    return waitForState(ms, [](int32_t state) { return state != FlagBlockReady; });
}
