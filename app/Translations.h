#pragma once
// Qt's own Russian texts for its stock dialogs and buttons (open file, font, message boxes):
// the program's interface is Russian, and so must be what Qt draws for it.
class QCoreApplication;

// Installs Qt's Russian translation when the system has it; returns whether it did.
bool installQtRussian(QCoreApplication &application);
