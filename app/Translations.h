#pragma once
// Qt's own Russian texts for its stock dialogs and buttons (open file, font, message boxes):
// the program's interface is Russian, and so must be what Qt draws for it.
class QCoreApplication;

// Installs Qt's Russian translation when the system has it, and the Russian "ОК" that it leaves
// out; returns whether Qt's translation was there.
bool installQtRussian(QCoreApplication &application);
