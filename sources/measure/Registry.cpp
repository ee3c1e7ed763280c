#include "sources/measure/Registry.h"

#include <cstring>

namespace measure {

namespace {

const Entry kEntries[] = {
    {"vector", "Векторная диаграмма...", "m_pVectorDiagramAction", Menu::Transform,
     Stage::WhileVisible, true, false, "vector"},
    {"iq", "Амплитуда, Частота, Фаза...", "m_pAmplPhaseAction", Menu::Transform,
     Stage::WhileVisible, true, false, "iq"},
    {"devparams", "Параметры устройства...", "m_pDevParamsAction", Menu::Measurements,
     Stage::WhileVisible, false, false, "devparams"},
    {"phase", "Фазовое рассогласование...", "m_pPhaseMisAction", Menu::Measurements,
     Stage::EveryBlock, false, true, "phase"},
    {"histogram", "Распределение отсчетов АЦП...", "m_pAdcDistribAction", Menu::Measurements,
     Stage::EveryBlock, false, true, "histogram"},
    {"imd", "Интермодуляционные искажения...", "m_pIntermodDistAction", Menu::Measurements,
     Stage::EveryBlock, false, false, "imd"},
    {"sinefit", "Аппроксимация синусом...", "m_pSineFitAction", Menu::Measurements,
     Stage::EveryBlock, false, true, "sinefit"},
};

} // namespace

const Entry *entries() { return kEntries; }
size_t entryCount() { return sizeof kEntries / sizeof kEntries[0]; }

const Entry *find(const char *id)
{
    for (const Entry &e : kEntries)
        if (std::strcmp(e.id, id) == 0)
            return &e;
    return nullptr;
}

} // namespace measure
