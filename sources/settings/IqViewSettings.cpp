#include "sources/settings/IqViewSettings.h"

#include "sources/settings/IniFile.h"

namespace {

constexpr int Choices[] = {0, 1};

} // namespace

void AmplPhaseSettings::load(const QString &iniPath)
{
    const IniFile ini(iniPath);
    dataType = ini.readCode("AmplPhase/TypeData", 0, Choices);
    angleDim = ini.readCode("AmplPhase/AngleDim", 0, Choices);
}

void AmplPhaseSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    ini.write("AmplPhase/TypeData", dataType);
    ini.write("AmplPhase/AngleDim", angleDim);
}

void VectorDiagramSettings::load(const QString &iniPath)
{
    const IniFile ini(iniPath);
    coordinateType = ini.readCode("VectorDiagram/CoordinateType", 0, Choices);
    grade = ini.readCode("VectorDiagram/Grade", 0, Choices);
}

void VectorDiagramSettings::save(const QString &iniPath) const
{
    IniFile ini(iniPath);
    ini.write("VectorDiagram/CoordinateType", coordinateType);
    ini.write("VectorDiagram/Grade", grade);
}
