#pragma once

#include "base/failure.h"
#include "platform/browser.h"

#include <QHash>
#include <QStringList>
#include <functional>
#include <vector>

// Pages by entry. A load is complete after `pollsToLoad` advances, or once the clock of the advances has
// reached `loadMs` after its start. Each navigation keeps the page as it was when the navigation began, as a
// real engine's separate documents would; a page may answer its first tries with failures (`failures`).
class FakeBrowser : public Browser {
public:
    struct Page {
        QString html;
        QString text;
        int pollsToLoad = 0; // -1: never completes
        bool hasBody = true;
        QString loadError;           // the page cannot be loaded at all
        bool refuse = false;         // navigate itself fails
        bool commits = true;         // a page that never completes has at least replaced the one before
        qint64 loadMs = 0;           // with pollsToLoad 0: how long a try takes by the clock of the advances
        QList<LoadOutcome> failures; // how the first tries end, one each; the next tries load
    };

    static constexpr qint64 RetryAfterReadMs =
        100; // a pending Retry-After is known this long after it failed

    QHash<QString, Page> pages;
    QStringList navigations;
    std::function<void(const QString&)> onNavigate;
    int liveLoads = 0;         // loads not yet dropped by their retrieval
    qint64 lastNowMs = 0;      // the clock of the last advance
    QHash<QString, int> tries; // navigations of each entry

    void setPage(const QString& entry, const QString& text) { pages[entry] = Page{text, text}; }

    std::unique_ptr<PageLoad> navigate(const QString& entry, qint64) override {
        navigations << entry;
        if (onNavigate)
            onNavigate(entry);
        if (pages.value(entry).refuse)
            throw Failure(QStringLiteral("The address was refused"));
        const int attempt = tries[entry]++;
        const Page& page = pages[entry];
        const LoadOutcome failure = attempt < page.failures.size() ? page.failures[attempt] : LoadOutcome{};
        return std::make_unique<Load>(*this, page, failure, lastNowMs);
    }
    void advance(qint64 nowMs) override {
        lastNowMs = nowMs;
        for (Load* load : m_loads)
            load->advance(nowMs);
    }

private:
    class Load : public PageLoad {
    public:
        Load(FakeBrowser& browser, Page page, LoadOutcome failure, qint64 startedMs)
            : m_browser(browser), m_page(std::move(page)), m_failure(std::move(failure)),
              m_started(startedMs) {
            ++m_browser.liveLoads;
            m_browser.m_loads.push_back(this);
        }
        ~Load() override {
            --m_browser.liveLoads;
            std::erase(m_browser.m_loads, this);
        }
        void advance(qint64 nowMs) {
            ++m_polls;
            m_now = nowMs;
        }
        int readyState() const override {
            if (m_page.pollsToLoad < 0 || m_polls <= m_page.pollsToLoad || m_now - m_started < m_page.loadMs)
                return 1;
            return ReadyStateComplete;
        }
        LoadOutcome outcome() const override {
            if (readyState() != ReadyStateComplete)
                return {};
            if (!m_page.loadError.isEmpty())
                return {m_page.loadError};
            LoadOutcome outcome = m_failure;
            // The answer's headers are read a moment after the failure.
            if (outcome.retryAfterPending && m_now - m_started - m_page.loadMs >= RetryAfterReadMs)
                outcome.retryAfterPending = false;
            return outcome;
        }
        bool committed() override { return m_page.commits; }
        void stop() override {}
        QString outerHtml() override { return m_page.html; }
        QString bodyInnerText() override {
            if (!m_page.hasBody)
                throw Failure(QStringLiteral("Object required"));
            return m_page.text;
        }

    private:
        FakeBrowser& m_browser;
        Page m_page;
        LoadOutcome m_failure;
        qint64 m_started;
        qint64 m_now = 0;
        int m_polls = 0;
    };
    std::vector<Load*> m_loads;
};
