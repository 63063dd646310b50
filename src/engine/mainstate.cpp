#include "engine/mainstate.h"

#include <QTime>

namespace {
template <class T, class Signal> void assign(MainState* state, T& member, const T& value, Signal signal) {
    if (member == value)
        return;
    member = value;
    Q_EMIT(state->*signal)(value);
}
} // namespace

void MainState::setOption1(bool on) {
    assign(this, m_option1, on, &MainState::option1Changed);
}
void MainState::setOption2(bool on) {
    assign(this, m_option2, on, &MainState::option2Changed);
}
void MainState::selectOption1() {
    setOption2(false);
    setOption1(true);
}
void MainState::selectOption2() {
    setOption1(false);
    setOption2(true);
}
void MainState::setCheck1(int value) {
    assign(this, m_check1, value, &MainState::check1Changed);
}
void MainState::setCheck14(int value) {
    assign(this, m_check14, value, &MainState::check14Changed);
}
void MainState::setText1(const QString& text) {
    assign(this, m_text1, text, &MainState::text1Changed);
}
void MainState::setText2(const QString& text) {
    assign(this, m_text2, text, &MainState::text2Changed);
}
void MainState::setText5(const QString& text) {
    assign(this, m_text5, text, &MainState::text5Changed);
}
void MainState::setStatusLine(const QString& text) {
    assign(this, m_status, text, &MainState::statusLineChanged);
}
void MainState::setProgressValue(int value) {
    assign(this, m_progress, value, &MainState::progressValueChanged);
}
void MainState::setPointer(int value) {
    assign(this, m_pointer, value, &MainState::pointerChanged);
}

void MainState::restoreIdle() {
    setStatusLine(idleStatus());
    setProgressValue(0);
}
void MainState::setResultsDisplayEnabled(bool enabled) {
    assign(this, m_resultsDisplayEnabled, enabled, &MainState::resultsDisplayEnabledChanged);
}

void MainState::setPageTimeout(int seconds) {
    seconds = std::max(1, seconds);
    if (seconds == m_pageTimeout)
        return;
    m_pageTimeout = seconds;
    Q_EMIT pageTimeoutChanged(seconds);
}

void MainState::addProblem(const QString& source, const QString& reason, int line) {
    m_problems.append({QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), source, reason, line});
    Q_EMIT problemAdded(m_problems.size() - 1);
}

void MainState::clearProblems() {
    m_problems.clear();
    Q_EMIT problemsCleared();
}

void MainState::requestStop() {
    if (m_runs > 0)
        m_stopRequested = true;
}

void MainState::addReadAtSettleLimit(const QString& source, const QString& waitingFor) {
    ++m_readAtSettleLimit;
    Q_EMIT readAtSettleLimitAdded(source, waitingFor);
}

void MainState::addBlockedRequests(const QString& source, int count) {
    m_blockedRequests += count;
    Q_EMIT blockedRequestsAdded(source, count);
}

void MainState::beginRun() {
    if (m_runs++ == 0) {
        m_stopRequested = false;
        m_readAtSettleLimit = 0;
        m_blockedRequests = 0;
        Q_EMIT runningChanged(true);
    }
}

void MainState::endRun() {
    if (--m_runs == 0)
        Q_EMIT runningChanged(false);
}

void MainState::setSettleSeconds(int seconds) {
    seconds = std::clamp(seconds, 0, MaxSettleSeconds);
    if (seconds == m_settleSeconds)
        return;
    m_settleSeconds = seconds;
    Q_EMIT settleSecondsChanged(seconds);
}

void MainState::setScrollViews(int views) {
    views = std::clamp(views, 0, MaxScrollViews);
    if (views == m_scrollViews)
        return;
    m_scrollViews = views;
    Q_EMIT scrollViewsChanged(views);
}

void MainState::setPagesAtOnce(int pages) {
    pages = std::clamp(pages, 1, MaxPagesAtOnce);
    if (pages == m_pagesAtOnce)
        return;
    m_pagesAtOnce = pages;
    Q_EMIT pagesAtOnceChanged(pages);
}

void MainState::setNetwork(const NetworkOptions& options) {
    NetworkOptions bounded = options;
    bounded.retries = std::clamp(bounded.retries, 0, NetworkOptions::MaxRetries);
    bounded.perHost = std::clamp(bounded.perHost, 0, NetworkOptions::MaxPerHost);
    if (bounded == m_network)
        return;
    m_network = bounded;
    Q_EMIT networkChanged();
}
