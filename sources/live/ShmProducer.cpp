#include "sources/live/ShmProducer.h"

#include "sources/record/FlagFile.h"
#include "sources/record/Postfix.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

constexpr uint64_t FlagRegionBytes = 12;

} // namespace

ShmProducer::ShmProducer(const QString &base, const RecordRecipe &recipe)
    : m_base(base), m_recipe(recipe), m_synth(recipe)
{
}

ShmProducer::~ShmProducer() { finish(); }

uint64_t ShmProducer::blockBytes() const
{
    return m_recipe.params.sampleCount * m_recipe.params.frameBytes();
}

QByteArray ShmProducer::blockData(uint64_t k)
{
    const uint64_t frames = m_recipe.params.sampleCount;
    return m_synth.frames(k * frames, frames);
}

bool ShmProducer::start(QString *error)
{
    QByteArray postfix = formatPostfix(m_recipe.params, m_recipe.deviceName);
    postfix.append('\0');
    const QByteArray first = blockData(0);
    // The regions appear whole, the first block already on offer: the flag comes last.
    const int32_t offered[3] = {FlagBlockReady, 0, 0};
    const bool ok = m_data.create(m_base + "_blk0", blockBytes()) &&
                    m_data.writeAt(0, first.constData(), uint64_t(first.size())) &&
                    m_postfix.create(m_base + "_postfix", uint64_t(postfix.size())) &&
                    m_postfix.writeAt(0, postfix.constData(), uint64_t(postfix.size())) &&
                    m_flag.create(m_base + "_flg", FlagRegionBytes) &&
                    m_flag.writeAt(0, offered, sizeof offered);
    if (!ok && error) {
        const SharedRegion *failed = !m_data.isOpen() ? &m_data
                                   : !m_postfix.isOpen() ? &m_postfix : &m_flag;
        *error = QStringLiteral("/%1: %2").arg(failed->name(), failed->errorText());
    }
    m_published = ok ? 1 : 0;
    m_skipped = 0;
    m_blockIndex = 1;
    return ok;
}

bool ShmProducer::waitForState(int ms, bool (*accept)(int32_t)) const
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        int32_t state = 0;
        if (m_flag.loadWord(0, state) && accept(state))
            return true;
        if (timer.elapsed() >= ms)
            return false;
        QThread::usleep(200);
    }
}

bool ShmProducer::publishBlock(int patienceMs)
{
    const uint64_t k = m_blockIndex++;
    // The viewer is back from the last block when it turned "taken" into idle. An offer
    // nobody took in time is replaced; a block being read never is.
    if (!waitForState(patienceMs, [](int32_t s) { return s == FlagIdle; }) &&
        !m_flag.exchangeWord(0, FlagBlockReady, FlagIdle)) {
        ++m_skipped;
        return false;
    }
    const QByteArray data = blockData(k);
    if (!m_data.writeAt(0, data.constData(), uint64_t(data.size())))
        return false;
    m_flag.storeWord(1, int32_t(k));
    m_flag.storeWord(0, FlagBlockReady);
    ++m_published;
    return true;
}

bool ShmProducer::waitTaken(int ms) const
{
    return waitForState(ms, [](int32_t s) { return s != FlagBlockReady; });
}

void ShmProducer::finish()
{
    for (SharedRegion *region : {&m_data, &m_flag, &m_postfix}) {
        if (region->isOpen())
            SharedRegion::unlink(region->name());
        region->close();
    }
}
