#pragma once
// The chooser indices the two I/Q views keep. Indices outside 0..1 read as 0.
#include <QString>

// "Амплитуда, Частота и Фаза сигнала": "AmplPhase/TypeData", "AmplPhase/AngleDim".
struct AmplPhaseSettings {
    int dataType = 0; // 0 amplitude, 1 frequency
    int angleDim = 0; // 0 degrees, 1 radians

    void load(const QString &iniPath);
    void save(const QString &iniPath) const;
    bool operator==(const AmplPhaseSettings &o) const { return dataType == o.dataType && angleDim == o.angleDim; }
};

// "Векторная диаграмма сигнала": "VectorDiagram/CoordinateType", "VectorDiagram/Grade".
struct VectorDiagramSettings {
    int coordinateType = 0; // 0 polar, 1 rectangular
    int grade = 0;          // 0 degrees, 1 radians

    void load(const QString &iniPath);
    void save(const QString &iniPath) const;
    bool operator==(const VectorDiagramSettings &o) const { return coordinateType == o.coordinateType && grade == o.grade; }
};
