#pragma once

#include "base/failure.h"
#include "platform/clock.h"
#include "platform/eventpump.h"

#include <QMap>
#include <functional>

// Counts its calls and runs a scripted action at the N-th one: how tests act in the middle of a run.
class FakePump : public EventPump {
public:
    int calls = 0;
    int waits = 0;
    QMap<int, std::function<void()>> actions; // by call number, 1-based, both kinds of call counted
    std::function<bool()> shouldUnwind;       // checked after every call, as the real pump does

    void processPendingEvents() override { step(); }
    void waitForEvents(int) override {
        ++waits;
        step();
    }
    void wake() override {} // every wait ends at once anyway

private:
    void step() {
        ++calls;
        if (auto action = actions.take(calls))
            action();
        if (shouldUnwind && shouldUnwind())
            throw AppClosingUnwind();
    }
};

class FakeClock : public Clock {
public:
    qint64 now = 0;
    qint64 stepPerRead = 0;
    qint64 elapsedMs() override {
        const qint64 t = now;
        now += stepPerRead;
        return t;
    }
};
