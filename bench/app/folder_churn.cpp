#include "folder_churn.h"

#include "ScriptedPrompter.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace vellora::bench {

namespace {

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void writeSmall(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("plain text, no extension: only the content could tell its type\n");
}

} // namespace

void folderChurn(int seconds)
{
    QTemporaryDir dir;
    const QString parent = dir.filePath(QStringLiteral("parent"));
    QDir().mkpath(parent + QStringLiteral("/start"));
    for (int i = 0; i < 3000; ++i)
        writeSmall(parent + QStringLiteral("/data%1").arg(i, 4, 10, QLatin1Char('0')));

    ScriptedPrompter prompter;
    MainWindowOptions options;
    options.store = SettingsStore(dir.filePath(QStringLiteral("churn.ini")));
    options.prompter = &prompter;
    MainWindow w(std::move(options));

    QElapsedTimer clock;
    qint64 last = 0;
    double worst = 0, worstAfterStart = 0;
    bool started = false;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double gap = double(now - last) / 1e6;
        worst = std::max(worst, gap);
        if (started)
            worstAfterStart = std::max(worstAfterStart, gap);
        last = now;
    });
    int made = 0;
    QTimer churn;
    churn.setInterval(200);
    QObject::connect(&churn, &QTimer::timeout, [&] {
        writeSmall(parent + QStringLiteral("/new%1").arg(made++));
        started = true; // the first change comes after the start has settled a little
    });

    const double cpu0 = threadCpuMs();
    clock.start();
    heartbeat.start();
    churn.start();
    // Started as the command line does: the folder is chosen before the window shows.
    w.openFolder(parent + QStringLiteral("/start"));
    w.show();
    QEventLoop wait;
    QTimer::singleShot(seconds * 1000, &wait, &QEventLoop::quit);
    wait.exec();
    const double cpu = threadCpuMs() - cpu0;
    const double wall = double(clock.nsecsElapsed()) / 1e6;
    std::printf("folder tree, parent of 3000 files changing 5 times a second for %d s (%d new files):\n",
                seconds, made);
    std::printf("  longest UI stall %.1f ms (%.1f ms after the start), UI thread busy %.0f ms of %.0f ms "
                "(target: no stall over 100 ms)\n",
                worst, worstAfterStart, cpu, wall);
    w.close();
}

} // namespace vellora::bench
