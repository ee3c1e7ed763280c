#pragma once
// The phase-mismatch report: each channel's frequency and period, and the phase of every
// channel after the first against it in degrees, radians, samples and seconds, as text and as
// JSON.
#include "sources/measure/phase/PhaseMisJob.h"

#include <QJsonObject>
#include <QStringList>

// What shapes the report besides the figures.
struct PhaseMisReportOptions {
    QStringList files; // the text names them all, the JSON the first
    int channelCount = PhaseMisJob::ChannelCount; // how many of the job's channels are shown
};

// The reason in words, English for the tool or Russian for the window; empty for None.
QString phaseMisReasonText(PhaseMisReason reason, bool isRussian);

QString phaseMisText(const PhaseMisJob &job, const PhaseMisOutcome &o, const PhaseMisReportOptions &r);
QJsonObject phaseMisJson(const PhaseMisJob &job, const PhaseMisOutcome &o, const PhaseMisReportOptions &r);
