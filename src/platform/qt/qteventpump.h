#pragma once

#include "platform/eventpump.h"

#include <QElapsedTimer>
#include <QTimer>
#include <functional>

// Processes Qt's pending events for the long loops of the commands. Once `shouldUnwind` answers true (the
// main window has begun to close) every call throws AppClosingUnwind after its events are handled.
class QtEventPump : public EventPump {
public:
    QtEventPump();
    void setUnwindCheck(std::function<bool()> shouldUnwind) { m_shouldUnwind = std::move(shouldUnwind); }

    void processPendingEvents() override;
    void waitForEvents(int maxMs) override;
    void wake() override { m_woken = true; }

private:
    void unwindIfClosing();

    std::function<bool()> m_shouldUnwind;
    QElapsedTimer m_sinceLast;
    QTimer m_wakeUp;
    bool m_woken = false;
};
