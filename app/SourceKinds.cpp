#include "app/SourceKinds.h"

#include "sources/FileSource.h"
#include "sources/SignalSimulation.h"

namespace {

template <typename T> std::unique_ptr<SignalSource> make() { return std::make_unique<T>(); }

const SourceKindInfo kKinds[kSourceKindCount] = {
    {KindFile, "Сигнал из файла", "m_pSigFileAction", &make<FileSource>},
    {KindSimulation, "Имитация сигнала", "m_pSimulationAction", &make<SignalSimulation>},
    {KindSharedMemory, "Разделяемая память", "m_pFileMapAction", nullptr},
    {KindNetwork, "Сеть", "m_pNetAction", nullptr},
};

} // namespace

const SourceKindInfo *sourceKinds() { return kKinds; }

const SourceKindInfo *sourceKindInfo(int kind)
{
    return kind >= 1 && kind <= kSourceKindCount ? &kKinds[kind - 1] : nullptr;
}
