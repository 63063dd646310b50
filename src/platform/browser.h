#pragma once

#include <QString>

// The embedded browser engine, reduced to what page retrieval needs.
class Browser {
public:
    static constexpr int ReadyStateComplete = 4;

    virtual ~Browser() = default;
    // Starts loading the entry, replacing the current document. Throws Failure when the engine refuses
    // the address outright.
    virtual void navigate(const QString& entry) = 0;
    // 4 once the document has finished loading (successfully or not); anything else means still loading.
    virtual int readyState() = 0;
    // Why the last navigation could not be loaded at all; empty when it loaded.
    virtual QString loadError() = 0;
    // The document element's outer HTML with CR LF line breaks. Throws Failure when it cannot be read.
    virtual QString outerHtml() = 0;
    // The body's rendered text with CR LF line breaks. Throws Failure without a body.
    virtual QString bodyInnerText() = 0;
};
