#include "sources/settings/IqViewSettings.h"

#include "sources/settings/SettingsFields.h"

namespace {

const auto kAmplPhaseFields = SettingsFields<AmplPhaseSettings>()
    .choice("AmplPhase/TypeData", &AmplPhaseSettings::dataType, 2)
    .choice("AmplPhase/AngleDim", &AmplPhaseSettings::angleDim, 2);

const auto kVectorDiagramFields = SettingsFields<VectorDiagramSettings>()
    .choice("VectorDiagram/CoordinateType", &VectorDiagramSettings::coordinateType, 2)
    .choice("VectorDiagram/Grade", &VectorDiagramSettings::grade, 2);

} // namespace

void AmplPhaseSettings::load(const QString &iniPath) { kAmplPhaseFields.load(iniPath, *this); }

void AmplPhaseSettings::save(const QString &iniPath) const { kAmplPhaseFields.save(iniPath, *this); }

void VectorDiagramSettings::load(const QString &iniPath) { kVectorDiagramFields.load(iniPath, *this); }

void VectorDiagramSettings::save(const QString &iniPath) const { kVectorDiagramFields.save(iniPath, *this); }
