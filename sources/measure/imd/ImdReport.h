#pragma once
// The intermodulation report: the two tones, the products and IMD2 / IMD3 of one channel, as
// text and as JSON.
#include "sources/measure/imd/ImdJob.h"

#include <QJsonObject>
#include <QString>

QString imdText(const ChannelImd &imd, int channel);
QJsonObject imdJson(const ChannelImd &imd, int channel, const QString &file);
