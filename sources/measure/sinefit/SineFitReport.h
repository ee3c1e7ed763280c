#pragma once
// The sine-fit report: the fitted tone, the residual's RMS, SINAD and ENOB beside the block
// spectrum's for comparison, and the residual's split by phase, as text and as JSON.
#include "sources/measure/sinefit/SineFitJob.h"

#include <QJsonObject>

QString sineFitText(const SineFitJob &job, const SineFit &fit, const QString &file);
QJsonObject sineFitJson(const SineFitJob &job, const SineFit &fit, const QString &file);
