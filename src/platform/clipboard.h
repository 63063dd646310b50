#pragma once

#include <QString>

// One attempt at each clipboard operation; true when it worked.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual bool tryClear() = 0;
    virtual bool trySetText(const QString& text) = 0;
};
