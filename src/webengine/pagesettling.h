#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class Clock;
class EnginePage;
struct PageAnswer;

// How a page settles once its document is complete: it is asked until its scripts have settled, drawn while
// it waits for an animation frame, scrolled on a view at a time while that brings more of it, and read with
// the answer that says it has settled. It counts as settled once the page says so or at the settle limit
// (a page that polls or ticks for ever), whichever comes first, and always a moment before the load's own
// time limit.
class PageSettling {
public:
    // A settling page is asked this often whether it has settled.
    static constexpr qint64 AskMs = 25;

    // The question to send: `script`, whose settled answer holds a read of `what` (none when empty).
    struct Question {
        QString script;
        QString what;
    };
    // The load writes the question, given how long the page may still take and how many views it may still
    // be scrolled on by (none where it is never scrolled), and hears when the page has settled, with the read
    // that came with the answer, if any.
    struct Load {
        std::function<Question(qint64 withinMs, const QVariant& scroll)> question;
        std::function<void(std::shared_ptr<PageAnswer> read)> settled;
    };

    PageSettling(Clock& clock, qint64 settleMs, int scrollViews, Load load);
    PageSettling(const PageSettling&) = delete;
    PageSettling& operator=(const PageSettling&) = delete;

    // The document of `page` is complete; settling ends by `latestMs` at the latest.
    void begin(EnginePage* page, qint64 latestMs);
    // Asks the page when a question is due. A page that navigates meanwhile (a refresh, a script's
    // navigation) waits for the document it moves on to.
    void advance(qint64 nowMs, bool navigating);
    // No more questions, and the page is no longer drawn.
    void end();
    // Why the page was read at the settle limit with work left; empty when it settled.
    QString readAtLimit() const;

private:
    void ask(qint64 nowMs, bool navigating);
    void answered(const QVariant& answer, const QString& what);
    void settleWithin(qint64 nowMs);
    void draw(bool frames);
    void settled(std::shared_ptr<PageAnswer> read = nullptr);

    Clock& m_clock;
    const qint64 m_settleMs;
    const int m_scrollViews;
    const Load m_load;
    EnginePage* m_page = nullptr;
    bool m_active = false;
    qint64 m_latest = 0;
    qint64 m_until = 0;
    int m_scrolled = 0;         // views the page was scrolled on by
    qint64 m_lastAsk = -1;      // when the page was last asked
    bool m_shown = false;       // drawn while it settles
    bool m_readAtLimit = false; // counted as settled at the limit, with work left
    QString m_waitingFor;       // what the page last said it waited for
    bool m_asking = false;      // a question is out
    // Questions asked: only the last one's answer counts, and none once this is gone.
    std::shared_ptr<quint64> m_asks = std::make_shared<quint64>(0);
};
