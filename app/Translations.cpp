#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Qt's Russian catalogue keeps the OK button in Latin letters while every other stock button is
// Russian; this answers for that button alone and leaves the rest to the catalogue.
class StockOkTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char *context, const char *source, const char *, int) const override
    {
        // The default theme's text, and the GNOME theme's with its accelerator.
        if (qstrcmp(context, "QPlatformTheme") == 0 && qstrcmp(source, "OK") == 0)
            return QStringLiteral("ОК");
        if (qstrcmp(context, "QGnomeTheme") == 0 && qstrcmp(source, "&OK") == 0)
            return QStringLiteral("&ОК");
        return QString();
    }
};

} // namespace

bool installQtRussian(QCoreApplication &application)
{
    auto *translator = new QTranslator(&application);
    const bool loaded = translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"),
                                         QStringLiteral("_"),
                                         QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    if (loaded)
        application.installTranslator(translator);
    else
        delete translator;
    // Installed last, so that it is asked first.
    application.installTranslator(new StockOkTranslator(&application));
    return loaded;
}
