#pragma once
// Long work started from a dialog (a report, an export) runs on a thread of its own, so the
// window keeps answering and repainting while it runs; what the work tells on the way and
// its end come back to the window's thread through its event loop.

#include <functional>
#include <QObject>

class QThread;

namespace vellora {

class BackgroundTask : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundTask)

public:
    explicit BackgroundTask(QObject* parent = nullptr);
    // Waits for work still running: its owner asks it to stop first (the work watches a
    // flag of its own), so the wait is short.
    ~BackgroundTask() override;

    // Runs work on a new thread, then done on this object's thread once it has returned.
    // False, and nothing run, while earlier work is still running.
    bool start(std::function<void()> work, std::function<void()> done);
    [[nodiscard]] bool running() const { return m_thread != nullptr; }
    // Blocks until the work has returned; done has not run yet then.
    void wait();

    // From the work's thread: runs f on this object's thread, in the order posted, before
    // done. Dropped when this object goes first.
    void post(std::function<void()> f);

private:
    QThread* m_thread = nullptr; // owned; alive from start until done is called
};

} // namespace vellora
