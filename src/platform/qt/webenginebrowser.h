#pragma once

#include "platform/browser.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <memory>
#include <vector>

class Clock;
class EventPump;
class QWebEngineProfile;
class QWebEnginePage;
class WebEngineLoad;

// Chromium through Qt WebEngine: pages that are never shown, on one off-the-record profile. Every
// navigation gets a page of its own for as long as its retrieval holds it; a page comes back for reuse only
// when its load ended cleanly, so no late event of one load can reach the next. Pages may run their
// JavaScript; their dialogs, pop-ups, downloads and permission requests are refused silently.
class WebEngineBrowser : public QObject, public Browser {
    Q_OBJECT
public:
    static constexpr qint64 ProbeTimeLimitMs = 2'000; // the least time a script in a page is given to answer
    // The renderers of all pages being loaded at once may take this much memory together: past it the
    // largest is stopped and reported, so that neither one huge page nor many large ones take the machine.
    static constexpr qint64 RendererMemoryLimitMb = 1000;
    static constexpr qint64 ReusableRendererMb = 300;     // a page whose renderer is larger is not kept

    WebEngineBrowser(EventPump& pump, Clock& clock, QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    std::unique_ptr<PageLoad> navigate(const QString& entry, qint64 timeLimitMs) override;
    void loadAhead(const QStringList& entries, qint64 timeLimitMs) override;
    qsizetype loadsAhead() const { return qsizetype(m_ahead.size()); }

    // The address the engine loads for an entry: an absolute path or a file: URL is a local file, anything
    // else a web address (http:// added when there is no scheme), never resolved against a folder. Throws
    // Failure for what is not an address, and for schemes other than http, https and file.
    static QUrl addressOf(const QString& entry);

private:
    friend class WebEngineLoad;
    QWebEnginePage* takePage(const QUrl& url); // an idle page fit for `url`, or null
    QWebEnginePage* newPage();
    void givePageBack(QWebEnginePage* page, bool reusable);
    void watchMemory();

    EventPump& m_pump;
    Clock& m_clock;
    QWebEngineProfile* m_profile;
    QList<QWebEnginePage*> m_idle;
    std::vector<std::pair<QString, std::unique_ptr<PageLoad>>> m_ahead;
    std::vector<WebEngineLoad*> m_live; // every load not yet dropped, ahead or being read
    qint64 m_lastMemoryCheck = -1000;
    quint64 m_loads = 0;
    QString m_lastRead; // what the last read asked for: pages loaded ahead are read so when they have loaded
};

// Chromium refuses to run as root without its sandbox switched off: do that then, and only then.
// Call before the QApplication is created.
void prepareWebEngineEnvironment();
