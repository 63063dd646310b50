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
    // The timer guarantees that the wait ends after maxMs even when nothing else happens.
    m_wakeUp.start(maxMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m_wakeUp.stop();
    m_sinceLast.restart();
    unwindIfClosing();
}

void QtEventPump::unwindIfClosing() {
    if (m_shouldUnwind && m_shouldUnwind())
        throw AppClosingUnwind();
}
