#pragma once
// The source kinds of the "Режим" menu and how each is created. A kind whose source class
// is not part of this build has no factory; its action stays disabled.
#include "sources/settings/NetworkSettings.h"

#include <QString>

#include <memory>

class SignalSource;

enum SourceKind { KindFile = 1, KindSimulation = 2, KindSharedMemory = 3, KindNetwork = 4 };

// What a new source of a live kind is pointed at.
struct SourceSetup {
    QString mapName;          // shared-memory base name; empty keeps the default
    NetworkSettings network;  // server address, port and record name
};

struct SourceKindInfo {
    int kind;
    const char *actionText;  // the action in the "Режим" menu
    const char *objectName;  // the action's object name
    std::unique_ptr<SignalSource> (*create)(const SourceSetup &setup);
};

// Kinds 1..4 in menu order.
const SourceKindInfo *sourceKinds();
constexpr int kSourceKindCount = 4;
const SourceKindInfo *sourceKindInfo(int kind);
