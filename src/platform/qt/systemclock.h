#pragma once

#include "platform/clock.h"

#include <QElapsedTimer>

class SystemClock : public Clock {
public:
    SystemClock() { m_timer.start(); }
    qint64 elapsedMs() override { return m_timer.elapsed(); }

private:
    QElapsedTimer m_timer;
};
