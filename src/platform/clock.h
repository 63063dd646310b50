#pragma once

#include <QtGlobal>

// Monotonic time, injected so that time limits are testable without sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 elapsedMs() = 0;
};
