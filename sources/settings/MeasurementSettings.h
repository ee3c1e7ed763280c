#pragma once
// Stored choices of the measurement dialogs: the code distribution ("AdcDistrib/...") and the
// device parameters table ("DevParams/...").
#include "dsp/DeviceTable.h"

#include <QString>

struct AdcDistribSettings {
    enum DataType { Dec = 0, Hex = 1, Bin = 2 };
    int dataType = Dec;    // how marker codes are written
    bool isMillivolts = false; // X axis in mV rather than codes
    int yDim = 0;          // HistogramScale (counts, relative to the peak, to the samples), DNL, INL
    bool isSin = false;    // the input is a sine: nonlinearity figures are computed
    bool isShowIdeal = false;
    bool isAllData = false; // over the whole record rather than the oscilloscope window

    // Stored values outside their lists give the defaults.
    void load(const QString &iniPath);
    void save(const QString &iniPath) const;
    bool operator==(const AdcDistribSettings &o) const;
    bool operator!=(const AdcDistribSettings &o) const { return !(*this == o); }
};

struct DevParamsSettings {
    DeviceValues criteria{}; // SFDR, SNR, THD, THD+N dB; ENB bits
    int selectionMode = 0;   // HighlightMode

    void load(const QString &iniPath);
    void save(const QString &iniPath) const;
    bool operator==(const DevParamsSettings &o) const
    {
        return criteria == o.criteria && selectionMode == o.selectionMode;
    }
};
