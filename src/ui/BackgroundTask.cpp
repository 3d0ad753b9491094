#include "BackgroundTask.h"

#include <QThread>

namespace vellora {

BackgroundTask::BackgroundTask(QObject* parent) : QObject(parent) {}

BackgroundTask::~BackgroundTask()
{
    wait();
    delete m_thread;
}

bool BackgroundTask::start(std::function<void()> work, std::function<void()> done)
{
    if (m_thread)
        return false;
    m_thread = QThread::create(std::move(work));
    // Queued: the thread says it finished from its own side, after everything it posted.
    connect(
        m_thread, &QThread::finished, this,
        [this, done = std::move(done)] {
            m_thread->wait();
            delete m_thread;
            m_thread = nullptr;
            if (done)
                done();
        },
        Qt::QueuedConnection);
    m_thread->start();
    return true;
}

void BackgroundTask::wait()
{
    if (m_thread)
        m_thread->wait();
}

void BackgroundTask::post(std::function<void()> f)
{
    QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
}

} // namespace vellora
