#pragma once

#include "engine/failure.h"
#include "platform/browser.h"

#include <QHash>
#include <QStringList>
#include <functional>

// Pages by entry. A page is complete after `pollsToLoad` ready-state reads.
class FakeBrowser : public Browser {
public:
    struct Page {
        QString html;
        QString text;
        int pollsToLoad = 0;      // -1: never completes
        bool hasBody = true;
        QString loadError;        // the page cannot be loaded at all
        bool refuse = false;      // navigate itself fails
    };

    QHash<QString, Page> pages;
    QStringList navigations;
    std::function<void(const QString&)> onNavigate;

    void setPage(const QString& entry, const QString& text) { pages[entry] = Page{text, text}; }

    void navigate(const QString& entry) override
    {
        navigations << entry;
        if (onNavigate)
            onNavigate(entry);
        if (pages.value(entry).refuse)
            throw Failure(QStringLiteral("The address was refused"));
        m_current = entry;
        m_polls = 0;
    }
    int readyState() override
    {
        const int needed = pages.value(m_current).pollsToLoad;
        if (needed < 0 || m_polls++ < needed)
            return 1;
        return ReadyStateComplete;
    }
    QString loadError() override { return pages.value(m_current).loadError; }
    QString outerHtml() override { return pages.value(m_current).html; }
    QString bodyInnerText() override
    {
        if (!pages.value(m_current).hasBody)
            throw Failure(QStringLiteral("Object required"));
        return pages.value(m_current).text;
    }

private:
    QString m_current;
    int m_polls = 0;
};
