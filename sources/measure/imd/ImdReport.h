#pragma once
// The intermodulation report: the two tones, the products and IMD2 / IMD3 of one channel, as
// text and as JSON, and why a figure is withheld, in the words of the tool and of the window.
#include "sources/measure/imd/ImdJob.h"

#include <QJsonObject>
#include <QString>

enum class ReasonLanguage { English, Russian };

// Why the figure is withheld; empty when it is shown.
QString imdReason(const ChannelImd &imd, const ImdVerdict &verdict, ReasonLanguage language);
// One line for both figures, naming the withheld ones; empty when both are shown.
QString imdReasons(const ChannelImd &imd, ReasonLanguage language);

QString imdText(const ChannelImd &imd, int channel);
QJsonObject imdJson(const ChannelImd &imd, int channel, const QString &file);
