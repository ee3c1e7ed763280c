#include "app/SourceKinds.h"

#include "sources/live/FileMapSource.h"
#include "sources/record/FileSource.h"
#include "sources/live/NetSource.h"
#include "sources/generator/SignalSimulation.h"

namespace {

template <typename T> std::unique_ptr<SignalSource> make(const SourceSetup &)
{
    return std::make_unique<T>();
}

std::unique_ptr<SignalSource> makeFileMap(const SourceSetup &setup)
{
    auto source = std::make_unique<FileMapSource>();
    if (!setup.mapName.isEmpty())
        source->setFileName(setup.mapName);
    return source;
}

std::unique_ptr<SignalSource> makeNet(const SourceSetup &setup)
{
    auto source = std::make_unique<NetSource>();
    source->setServerAddress(setup.network.address);
    source->setServerPort(int(setup.network.port));
    source->setFileName(setup.network.fileName);
    return source;
}

const SourceKindInfo kKinds[kSourceKindCount] = {
    {KindFile, "Сигнал из файла", "m_pSigFileAction", &make<FileSource>},
    {KindSimulation, "Имитация сигнала", "m_pSimulationAction", &make<SignalSimulation>},
    {KindSharedMemory, "Разделяемая память", "m_pFileMapAction", &makeFileMap},
    {KindNetwork, "Сеть", "m_pNetAction", &makeNet},
};

} // namespace

const SourceKindInfo *sourceKinds() { return kKinds; }

const SourceKindInfo *sourceKindInfo(int kind)
{
    return kind >= 1 && kind <= kSourceKindCount ? &kKinds[kind - 1] : nullptr;
}
