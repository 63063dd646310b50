#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class EnginePage;
struct LoadContext;

// A page's answer to a script, once it has come.
struct PageAnswer {
    bool done = false;
    QVariant value;
    QString what; // what a read asked for: "markup" or "text"
};

// How one load talks to its page: scripts sent, answers awaited while the other loads go on, and the
// document read in slices, so that a large document is never copied whole between the engine's processes at
// once. A document once read carries the number of the load that read it.
class PageReader {
public:
    // The load says until when an answer may be awaited (never less than `leastMs` from now) and, once its
    // renderer has ended, for what reason.
    struct Load {
        std::function<qint64(qint64 leastMs)> answerBy;
        std::function<std::optional<QString>()> rendererEnded;
    };

    PageReader(LoadContext& context, quint64 number, Load load);

    void setPage(EnginePage* page);
    // Sent and not awaited.
    std::shared_ptr<PageAnswer> send(const QString& script);
    // Waits for `answer`; a page that does not answer in time, or whose renderer ends, fails the wait.
    QVariant await(const std::shared_ptr<PageAnswer>& answer, qint64 leastMs);
    QVariant evaluate(const QString& script, qint64 leastMs) { return await(send(script), leastMs); }
    // Waiting for an answer: the load is advanced by no one else meanwhile.
    bool awaiting() const { return m_awaiting; }
    // A page that did not answer in time is never used again.
    bool unanswered() const { return m_unanswered; }
    // A document of the load's own was read (or found to lack what was asked for).
    bool readDocument() const { return m_read; }

    // The first step of a read of `what`: the whole text when it is small, else its length (the text waits in
    // the page for its slices). With `settleWithinMs` at 0 or more it reads only once the page has settled,
    // and answers {unsettled: true} otherwise; `scroll` is how far it may scroll the page then.
    QString headScript(const QString& what, qint64 settleWithinMs = -1, const QVariant& scroll = {}) const;
    // Reads `what` as soon as the page has loaded, for the run to take when it gets there; or keeps the
    // answer to a settling question that came with the read.
    void prefetch(const QString& what);
    void keep(std::shared_ptr<PageAnswer> read) { m_prefetch = std::move(read); }
    void forget() { m_prefetch.reset(); }
    // The whole text is in hand: it stays good when the renderer has gone since.
    bool hasWholeText() const;
    // Reads `what` (markup or text) of the page's document, which must be the load's own: the read that began
    // when it loaded, if it asked for this, else one now. Throws `missing` when the document lacks it.
    QString read(const QString& what, const QString& missing, bool ownDocument);

private:
    LoadContext& m_context;
    const quint64 m_number;
    const Load m_load;
    EnginePage* m_page = nullptr;
    std::shared_ptr<PageAnswer> m_prefetch;
    bool m_awaiting = false;
    bool m_unanswered = false;
    bool m_read = false;
};
