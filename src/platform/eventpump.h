#pragma once

// Lets long loops on the one UI thread keep the window responsive.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Handles whatever input and paint events are pending, then returns. Throws AppClosingUnwind once the
    // main window has begun to close.
    virtual void processPendingEvents() = 0;
    // Handles events as they come for up to maxMs, and returns at once after the event that called wake();
    // never spins. Same unwinding rule.
    virtual void waitForEvents(int maxMs) = 0;
    // Called while an event is handled: something a waiter waits for has happened, and the wait under way
    // ends after this event.
    virtual void wake() = 0;
};
