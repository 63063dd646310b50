#include "platform/qt/qteventpump.h"

#include "base/failure.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace {
// Calls closer together than this are answered by the previous one: a loop that yields per cell then
// costs nothing, and a person still sees the window answer at once.
constexpr qint64 MinIntervalNs = 2'000'000;
} // namespace

QtEventPump::QtEventPump() {
    m_wakeUp.setSingleShot(true);
    m_sinceLast.start();
}

void QtEventPump::processPendingEvents() {
    if (m_sinceLast.nsecsElapsed() >= MinIntervalNs) {
        QCoreApplication::processEvents();
        m_sinceLast.restart();
    }
    unwindIfClosing();
}

void QtEventPump::waitForEvents(int maxMs) {
    // The engine's own work comes as a stream of events: returning after each would turn the waiter's loop a
    // dozen times a millisecond, and cost more processor time than the wait saves. The timer ends the wait
    // after maxMs even when nothing else happens.
    m_woken = false;
    m_wakeUp.start(maxMs);
    while (m_wakeUp.isActive() && !m_woken)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m_wakeUp.stop();
    m_woken = false;
    m_sinceLast.restart();
    unwindIfClosing();
}

void QtEventPump::unwindIfClosing() {
    if (m_shouldUnwind && m_shouldUnwind())
        throw AppClosingUnwind();
}
