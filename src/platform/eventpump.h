#pragma once

// Lets long loops on the one UI thread keep the window responsive.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Handles whatever input and paint events are pending, then returns. Throws AppClosingUnwind once the
    // main window has begun to close.
    virtual void processPendingEvents() = 0;
    // Handles pending events, or waits up to maxMs for one to arrive; never spins. Same unwinding rule.
    virtual void waitForEvents(int maxMs) = 0;
};
