// vellora-list: see ListCommand.
#include "app/ListCommand.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic_bool* g_interrupt = nullptr;

extern "C" void onSigint(int)
{
    if (g_interrupt)
        g_interrupt->store(true);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    vellora::ListCommand command(stdout, stderr);
    g_interrupt = &command.interruptFlag();
    struct sigaction sa = {};
    sa.sa_handler = onSigint;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    command.setProgress(isatty(STDERR_FILENO) == 1);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    const int rc = command.run(args);
    g_interrupt = nullptr;
    return rc;
}
