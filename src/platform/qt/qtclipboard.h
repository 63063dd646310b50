#pragma once

#include "platform/clipboard.h"

// The system clipboard through QClipboard. An attempt counts as done when the clipboard then holds the text.
class QtClipboard : public Clipboard {
public:
    bool tryClear() override;
    bool trySetText(const QString& text) override;
};
