#pragma once

#include "base/requests.h"
#include "engine/resultslist.h"
#include "engine/urllist.h"

#include <QObject>
#include <QString>
#include <QVector>
#include <algorithm>

namespace Pointer {
constexpr int Default = 0;
constexpr int Busy = 11; // the hourglass; also the flag that a command is running
constexpr int Hover = 99;
} // namespace Pointer

// Everything the main window owns: the two lists, the run options, the search texts, the status line and
// the pointer. Widgets write into it on every change and display it; commands read it at the moment of use.
class MainState : public QObject {
    Q_OBJECT
public:
    static QString idleStatus() { return QStringLiteral("Progress Bar"); }

    UrlList urls;
    ResultsList results;

    // PageSource: Option1 is HtmlSource, Option2 is BrowserText; neither may be selected.
    bool option1() const { return m_option1; }
    bool option2() const { return m_option2; }
    void setOption1(bool on);
    void setOption2(bool on);
    // A click on an option button: its partner goes off first, then it comes on.
    void selectOption1();
    void selectOption2();
    // KeepDuplicates and ShowSourceFilename, as check-box values 0 or 1.
    int check1() const { return m_check1; }
    int check14() const { return m_check14; }
    void setCheck1(int value);
    void setCheck14(int value);
    bool keepDuplicates() const { return m_check1 != 0; }
    bool showSourceFilename() const { return m_check14 != 0; }

    QString text1() const { return m_text1; }
    QString text2() const { return m_text2; }
    QString text5() const { return m_text5; }
    void setText1(const QString& text);
    void setText2(const QString& text);
    void setText5(const QString& text);

    QString statusLine() const { return m_status; }
    int progressValue() const { return m_progress; }
    void setStatusLine(const QString& text);
    void setProgressValue(int value);
    void restoreIdle();

    // True from the moment the main window begins to close. Running commands then stop where they are,
    // except for the closing steps themselves (`unloading`).
    bool appClosing() const { return m_appClosing; }
    void setAppClosing(bool closing) { m_appClosing = closing; }
    bool isUnloading() const { return m_unloading; }
    void setUnloading(bool unloading) { m_unloading = unloading; }
    bool shouldUnwind() const { return m_appClosing && !m_unloading; }

    // Whether the user can act on the results table; the lines-by-number run turns it off per line.
    bool resultsDisplayEnabled() const { return m_resultsDisplayEnabled; }
    void setResultsDisplayEnabled(bool enabled);

    // How long one page may take to load before it is read as it stands, in seconds (1 and more).
    int pageTimeout() const { return m_pageTimeout; }
    void setPageTimeout(int seconds);
    // How many pages load at once: the one being read and those loading ahead of it (1 to 16).
    static constexpr int MaxPagesAtOnce = 16;
    static constexpr int DefaultPagesAtOnce = 8;
    // How long a loaded page may take to settle (its own requests and timers done, its document still)
    // before it is read anyway; 0 reads it the moment its document is complete.
    static constexpr int DefaultSettleSeconds = 5;
    static constexpr int MaxSettleSeconds = 300;
    int settleSeconds() const { return m_settleSeconds; }
    void setSettleSeconds(int seconds);
    // How many views a settled page taller than its view is scrolled on by, settling after each, so that
    // what comes as a person scrolls comes too; 0 never scrolls.
    static constexpr int DefaultScrollViews = 50;
    static constexpr int MaxScrollViews = 1000;
    int scrollViews() const { return m_scrollViews; }
    void setScrollViews(int views);
    int pagesAtOnce() const { return m_pagesAtOnce; }
    void setPagesAtOnce(int pages);
    // How pages are asked for: retries, the limit per host, who asks and by which route.
    const NetworkOptions& network() const { return m_network; }
    void setNetwork(const NetworkOptions& options);

    // A source that could not be loaded is a normal event in a long list: in the window its report goes to
    // this list of problems instead of a box the run waits on. The program's own failures stay boxes.
    struct PageProblem {
        QString time;
        QString source;
        QString reason;
        int line = 0; // the statement of retrieval that met it
    };
    bool listsPageProblems() const { return m_listsPageProblems; }
    void setListsPageProblems(bool on) { m_listsPageProblems = on; }
    const QVector<PageProblem>& problems() const { return m_problems; }
    void addProblem(const QString& source, const QString& reason, int line = 0);
    void clearProblems();

    // Pages of the current or last run that counted as loaded at the settle limit while their scripts still
    // had work under way: users choose the limit by them.
    qsizetype readAtSettleLimit() const { return m_readAtSettleLimit; }
    void addReadAtSettleLimit(const QString& source, const QString& waitingFor);
    // Requests of the current or last run's pages that were not made: they went to ad and tracker hosts.
    qint64 blockedRequests() const { return m_blockedRequests; }
    void addBlockedRequests(const QString& source, int count);

    // Stop: the running extraction ends after its current step, keeps its rows and finishes as a completed
    // run does. A run that starts clears an earlier request.
    bool isRunning() const { return m_runs > 0; }
    bool stopRequested() const { return m_stopRequested; }
    void requestStop();
    void beginRun();
    void endRun();

    int pointer() const { return m_pointer; }
    bool isBusy() const { return m_pointer == Pointer::Busy; }
    void setPointer(int value);

Q_SIGNALS:
    void option1Changed(bool on);
    void option2Changed(bool on);
    void check1Changed(int value);
    void check14Changed(int value);
    void text1Changed(const QString& text);
    void text2Changed(const QString& text);
    void text5Changed(const QString& text);
    void statusLineChanged(const QString& text);
    void progressValueChanged(int value);
    void pointerChanged(int value);
    void resultsDisplayEnabledChanged(bool enabled);
    void pageTimeoutChanged(int seconds);
    void pagesAtOnceChanged(int pages);
    void settleSecondsChanged(int seconds);
    void scrollViewsChanged(int views);
    void networkChanged();
    void problemAdded(qsizetype index);
    void problemsCleared();
    void readAtSettleLimitAdded(const QString& source, const QString& waitingFor);
    void blockedRequestsAdded(const QString& source, int count);
    void runningChanged(bool running);
    // A run has done everything it does for one entry of the list; entries finish in list order.
    void entryFinished(const QString& entry);

private:
    bool m_option1 = true;
    bool m_option2 = false;
    int m_check1 = 0;
    int m_check14 = 0;
    QString m_text1, m_text2, m_text5;
    QString m_status = idleStatus();
    int m_progress = 0;
    int m_pointer = Pointer::Default;
    bool m_appClosing = false;
    bool m_resultsDisplayEnabled = true;
    bool m_unloading = false;
    int m_pageTimeout = 60;
    int m_pagesAtOnce = DefaultPagesAtOnce;
    int m_settleSeconds = DefaultSettleSeconds;
    int m_scrollViews = DefaultScrollViews;
    NetworkOptions m_network;
    bool m_listsPageProblems = false;
    QVector<PageProblem> m_problems;
    qsizetype m_readAtSettleLimit = 0;
    qint64 m_blockedRequests = 0;
    int m_runs = 0;
    bool m_stopRequested = false;
};
