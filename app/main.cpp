#include "app/Orma.h"
#include "app/Translations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    installQtRussian(application);
    QCoreApplication::setOrganizationName(kNativeOrganisation);
    QCoreApplication::setApplicationName(kNativeApplication);
    auto *window = new Orma;
    window->show();
    const int code = QApplication::exec();
    delete window;
    return code;
}
