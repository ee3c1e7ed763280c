#pragma once
// The display units as stored in the configuration: the settings read them below the widgets,
// the axis converters of the plots interpret them.

// One code for every display unit of the program.
enum DimensionCode {
    DimCodes = 0,
    DimMillivolts = 1,
    DimVolts = 2,
    DimSamples = 3,
    DimMicroseconds = 4,
    DimMilliseconds = 5,
    DimSeconds = 6,
    DimNanoseconds = 7,
    DimDecibels = 8,
    DimDecibelsRelative = 9,
    DimDbm = 10,
    DimDbMicrovolt = 11,
    DimNone = 12,
    DimHertz = 13,
    DimKilohertz = 14,
    DimDegrees = 15,
    DimRadians = 16,
    // Added after the others so that stored codes keep their meaning.
    DimDbfs = 17 // dB relative to the converter's full-scale sine
};

// The decibels every unit shows for zero power (a level whose logarithm does not exist).
constexpr double ZeroPowerDecibels = -350.0;
