#pragma once

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

    void processPendingEvents() override { step(); }
    void waitForEvents(int) override
    {
        ++waits;
        step();
    }

private:
    void step()
    {
        ++calls;
        if (auto action = actions.take(calls))
            action();
    }
};

class FakeClock : public Clock {
public:
    qint64 now = 0;
    qint64 stepPerRead = 0;
    qint64 elapsedMs() override
    {
        const qint64 t = now;
        now += stepPerRead;
        return t;
    }
};
