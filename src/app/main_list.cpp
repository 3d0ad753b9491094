// vellora-list: see ListCommand.
#include "cli/ListCommand.h"
#include "fileinfo/FolderPaths.h"
#include "system/NumberLocale.h"
#include "system/OutputFile.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

std::atomic_bool* g_interrupt = nullptr;
volatile std::sig_atomic_t g_stopSignal = 0;
QtMessageHandler g_qtHandler = nullptr;

extern "C" void onStop(int sig)
{
    g_stopSignal = sig;
    if (g_interrupt)
        g_interrupt->store(true);
}

// The standard error carries the program's own lines: one Italian line per failure, the
// written file, the closing notes. Qt's notes would add lines of their own to them (under cron
// or ssh every print said "QStandardPaths: XDG_RUNTIME_DIR not set"): only our categories,
// which speak when QT_LOGGING_RULES asks them to, and the reason of a fatal stop get through.
void keepOwnMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const bool ours = context.category && std::strncmp(context.category, "vellora.", 8) == 0;
    if (!ours && type != QtFatalMsg)
        return;
    if (g_qtHandler)
        g_qtHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, text).toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    g_qtHandler = qInstallMessageHandler(keepOwnMessages);
    // A reader that quits early (| head) makes a write fail, reported in one line, exit 1.
    vellora::ignoreBrokenPipes();

    // The arguments are read before the application exists: only printing needs the
    // graphical one (printer fonts and devices), and a server has no display for it. They keep
    // their bytes: a folder or an output name that is not UTF-8 is still that file.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << vellora::fileinfo::pathText(QByteArray(argv[i]));
    const vellora::ParsedArguments parsed = vellora::parseListArguments(args);
    if (!parsed.options) {
        std::fprintf(stderr, "vellora-list: %s\n", parsed.error.toLocal8Bit().constData());
        return vellora::kExitUsage;
    }

    std::unique_ptr<QCoreApplication> app;
    if (vellora::needsGuiApplication(*parsed.options)) {
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }

    vellora::useCNumbers();

    // The standard error carries our own messages, one Italian line per failure; the
    // libraries' notes would repeat them (QT_LOGGING_RULES still turns them back on).
    QLoggingCategory::setFilterRules(QStringLiteral("vellora.*=false"));

    vellora::ListCommand command(stdout, stderr);
    g_interrupt = &command.interruptFlag();
    struct sigaction sa = {};
    sa.sa_handler = onStop;
    sigemptyset(&sa.sa_mask);
    // The first Ctrl+C stops the run at its next entry, row or line, and ends a wait for the
    // reader of a FIFO (no SA_RESTART: the waiting call returns); a second one ends the program
    // at once, whatever it is waiting for. SIGTERM and SIGHUP (a closed terminal) stop it the
    // same way: an export cleans up after itself before the program ends.
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    command.setProgress(isatty(STDERR_FILENO) == 1);
    const int rc = command.run(*parsed.options);
    g_interrupt = nullptr;
    // Ended by SIGTERM or SIGHUP: the status a shell gives a program such a signal ends.
    if (rc == vellora::kExitInterrupted && g_stopSignal != 0 && g_stopSignal != SIGINT)
        return 128 + int(g_stopSignal);
    return rc;
}
