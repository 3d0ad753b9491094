#pragma once
// Rows that hold whoever reads them at one row until the test lets them go, to see what the
// window does meanwhile: work run on the window's own thread would hold the window there too
// (then the rows go on by themselves after ten seconds, and the test sees that nothing
// answered). HoldProbe is the window's side: it counts the event loop's turns while the rows
// are held, and at the third one looks at the window and lets them go.

#include "MemoryRows.h"

#include <atomic>
#include <functional>
#include <QSemaphore>
#include <QTimer>

namespace vellora::test {

class HeldRows : public MemoryRows
{
public:
    QString text(qsizetype row, int column) const override
    {
        if (row == heldAt && column == ColName && !reached.exchange(true))
            releasedInTime = m_gate.tryAcquire(1, 10000);
        return MemoryRows::text(row, column);
    }
    void release() const { m_gate.release(); }

    qsizetype heldAt = 0; // 0: never held
    mutable std::atomic_bool reached{false};
    mutable std::atomic_bool releasedInTime{false};

private:
    mutable QSemaphore m_gate;
};

struct HoldProbe
{
    HoldProbe(const HeldRows& rows, std::function<void()> whileHeld)
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this, &rows, look = std::move(whileHeld)] {
            if (!rows.reached || turns >= 3)
                return;
            if (++turns == 3) {
                look();
                rows.release();
            }
        });
        timer.start();
    }
    QTimer timer;
    int turns = 0;
};

} // namespace vellora::test
