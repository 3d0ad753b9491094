// vellora-list: see ListCommand.
#include "app/ListCommand.h"
#include "system/NumberLocale.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

std::atomic_bool* g_interrupt = nullptr;
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStop(int sig)
{
    g_stopSignal = sig;
    if (g_interrupt)
        g_interrupt->store(true);
}

} // namespace

int main(int argc, char** argv)
{
    // The arguments are read before the application exists: only printing needs the
    // graphical one (printer fonts and devices), and a server has no display for it.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
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
    // The first Ctrl+C stops the run at its next entry, row or line; a second one ends the
    // program at once, whatever it is waiting for. SIGTERM and SIGHUP (a closed terminal)
    // stop it the same way: an export cleans up after itself before the program ends.
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
