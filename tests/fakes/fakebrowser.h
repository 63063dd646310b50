#pragma once

#include "engine/failure.h"
#include "platform/browser.h"

#include <QHash>
#include <QStringList>
#include <functional>

// Pages by entry. A page is complete after `pollsToLoad` ready-state reads. Each navigation keeps the page
// as it was when the navigation began, as a real engine's separate documents would.
class FakeBrowser : public Browser {
public:
    struct Page {
        QString html;
        QString text;
        int pollsToLoad = 0; // -1: never completes
        bool hasBody = true;
        QString loadError;   // the page cannot be loaded at all
        bool refuse = false; // navigate itself fails
        bool commits = true; // a page that never completes has at least replaced the one before
    };

    QHash<QString, Page> pages;
    QStringList navigations;
    std::function<void(const QString&)> onNavigate;
    int liveLoads = 0; // loads not yet dropped by their retrieval

    void setPage(const QString& entry, const QString& text) { pages[entry] = Page{text, text}; }

    std::unique_ptr<PageLoad> navigate(const QString& entry, qint64) override {
        navigations << entry;
        if (onNavigate)
            onNavigate(entry);
        if (pages.value(entry).refuse)
            throw Failure(QStringLiteral("The address was refused"));
        return std::make_unique<Load>(*this, pages.value(entry));
    }

private:
    class Load : public PageLoad {
    public:
        Load(FakeBrowser& browser, Page page) : m_browser(browser), m_page(std::move(page)) {
            ++m_browser.liveLoads;
        }
        ~Load() override { --m_browser.liveLoads; }
        int readyState() override {
            if (m_page.pollsToLoad < 0 || m_polls++ < m_page.pollsToLoad)
                return 1;
            return ReadyStateComplete;
        }
        QString loadError() override { return m_page.loadError; }
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
        int m_polls = 0;
    };
};
