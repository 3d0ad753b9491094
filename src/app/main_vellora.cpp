// vellora: the desktop window. vellora [FOLDER] starts on that folder; see WindowArguments.

#include "fileinfo/FolderPaths.h"
#include "system/NumberLocale.h"
#include "system/Version.h"
#include "ui/MainWindow.h"
#include "ui/Pictures.h"
#include "ui/WindowArguments.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

#include <cstdio>

int main(int argc, char* argv[])
{
    // The arguments keep their bytes: a folder whose name is not UTF-8 is still that folder.
    const auto arguments = [&] {
        QStringList args;
        for (int i = 1; i < argc; ++i)
            args << vellora::fileinfo::pathText(QByteArray(argv[i]));
        return args;
    };
    // --help and --version answer on the terminal, also where there is no display.
    const vellora::WindowArguments early = vellora::parseWindowArguments(arguments());
    if (early.action == vellora::WindowArguments::Action::Help) {
        std::fputs(vellora::windowUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (early.action == vellora::WindowArguments::Action::Version) {
        std::printf("vellora %s\n", vellora::programVersionText().toLocal8Bit().constData());
        return 0;
    }

    // QApplication takes its own options (-platform, -style...) out of argv.
    QApplication app(argc, argv);
    vellora::useCNumbers();
    const vellora::WindowArguments args = vellora::parseWindowArguments(arguments());
    if (!args.error.isEmpty()) {
        std::fprintf(stderr, "vellora: %s\n", args.error.toLocal8Bit().constData());
        return 2;
    }
    // Our notes on what could not be read stay quiet; QT_LOGGING_RULES turns them on.
    QLoggingCategory::setFilterRules(QStringLiteral("vellora.*=false"));
    QApplication::setApplicationName(QStringLiteral("Vellora"));
    QApplication::setOrganizationName(QStringLiteral("Vellora"));
    QApplication::setWindowIcon(vellora::programIcon());
    // The desktop entry's name: the window is matched to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("it.vellora.file"));

    // The interface is Italian whatever the locale: Qt's own buttons ("Sì", "Annulla") too.
    QTranslator qtItalian;
    if (qtItalian.load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtItalian);

    vellora::MainWindow window;
    window.centreOnScreen();
    window.show();
    // After show: a message about the folder stands over the window, not alone.
    if (!args.path.isEmpty())
        window.openFolder(args.path);
    return app.exec();
}
