#pragma once

#include "platform/browser.h"

#include <QObject>
#include <QVariant>

class Clock;
class EventPump;
class QWebEngineProfile;
class QWebEnginePage;

// Chromium through Qt WebEngine: one page that is never shown, on an off-the-record profile. Pages may run
// their JavaScript; their dialogs, pop-ups, downloads and permission requests are refused silently.
class WebEngineBrowser : public QObject, public Browser {
    Q_OBJECT
public:
    static constexpr qint64 ScriptTimeLimitMs = 60'000;

    WebEngineBrowser(EventPump& pump, Clock& clock, QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    void navigate(const QString& entry) override;
    int readyState() override { return m_readyState; }
    QString loadError() override { return m_loadError; }
    QString outerHtml() override;
    QString bodyInnerText() override;

private:
    QVariant evaluate(const QString& script);

    EventPump& m_pump;
    Clock& m_clock;
    QWebEngineProfile* m_profile;
    QWebEnginePage* m_page;
    int m_readyState = Browser::ReadyStateComplete;
    bool m_started = false;
    QString m_loadError;
};

// Chromium refuses to run as root without its sandbox switched off: do that then, and only then.
// Call before the QApplication is created.
void prepareWebEngineEnvironment();
