// vellora: the desktop window. No arguments of its own beyond Qt's.

#include "app/MainWindow.h"
#include "system/Pictures.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Our notes on what could not be read stay quiet; QT_LOGGING_RULES turns them on.
    QLoggingCategory::setFilterRules(QStringLiteral("vellora.*=false"));
    QApplication::setApplicationName(QStringLiteral("Vellora"));
    QApplication::setOrganizationName(QStringLiteral("Vellora"));
    QApplication::setWindowIcon(vellora::programIcon());

    // The interface is Italian whatever the locale: Qt's own buttons ("Sì", "Annulla") too.
    QTranslator qtItalian;
    if (qtItalian.load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtItalian);

    vellora::MainWindow window;
    window.centreOnScreen();
    window.show();
    return app.exec();
}
