// What the main window shows of the state and of a run (the lists, the options, the status line and the
// counts), and how its commands run.
#include "ui/form1.h"

#include "base/failure.h"
#include "engine/mainstate.h"
#include "engine/modes/betweenstate.h"
#include "engine/modes/textset.h"
#include "platform/host.h"
#include "shell/startup.h"
#include "sources/sourcelistcommands.h"
#include "ui/appearance.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/resultstablemodel.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

namespace {

// Radio buttons in a group cannot normally all be off; a stored state may have neither selected.
void setRadio(QRadioButton* radio, bool on) {
    if (radio->isChecked() == on)
        return;
    radio->setAutoExclusive(false);
    radio->setChecked(on);
    radio->setAutoExclusive(true);
}

// The bar replaces %p, %v and %m in its format; an invisible word joiner keeps a status line's own
// "%p" as it is.
QString progressFormat(QString status) {
    static const QRegularExpression placeholder(QStringLiteral("%(?=[pvm])"));
    return status.replace(placeholder, QStringLiteral("%\u2060"));
}

} // namespace

void Form1::showRowCount() {
    const qsizetype count = m_state.results.count(), atLimit = m_state.readAtSettleLimit();
    m_rowCount->setText(
        (count == 1 ? QStringLiteral("1 row")
                    : QStringLiteral("%1 rows").arg(QLocale(QLocale::English).toString(count))) +
        (atLimit == 0 ? QString() : QStringLiteral(", %1 read at the settle limit").arg(atLimit)));
    m_rowCount->setToolTip(QStringLiteral("Pages read at the settle limit still had script work under way: "
                                          "\"Wait for late content\" is how long they may take."));
}

void Form1::showProblemCount() {
    const qsizetype count = m_state.problems().size();
    m_problemCount->setText(count == 1 ? QStringLiteral("1 source could not be read")
                                       : QStringLiteral("%1 sources could not be read").arg(count));
}

void Form1::bindState() {
    MainState& s = m_state;
    // Controls write into the state on every change; the state's changes show in the controls.
    connect(m_text1, &QLineEdit::textChanged, &s, &MainState::setText1);
    connect(m_text2, &QLineEdit::textChanged, &s, &MainState::setText2);
    connect(m_text5, &QLineEdit::textChanged, &s, &MainState::setText5);
    connect(&s, &MainState::text1Changed, m_text1, [this](const QString& t) {
        if (m_text1->text() != t)
            m_text1->setText(t);
    });
    connect(&s, &MainState::text2Changed, m_text2, [this](const QString& t) {
        if (m_text2->text() != t)
            m_text2->setText(t);
    });
    connect(&s, &MainState::text5Changed, m_text5, [this](const QString& t) {
        if (m_text5->text() != t)
            m_text5->setText(t);
    });
    m_text1->setText(s.text1());
    m_text2->setText(s.text2());
    m_text5->setText(s.text5());

    connect(m_option1, &QRadioButton::clicked, &s, &MainState::selectOption1);
    connect(m_option2, &QRadioButton::clicked, &s, &MainState::selectOption2);
    connect(&s, &MainState::option1Changed, this, [this](bool on) { setRadio(m_option1, on); });
    connect(&s, &MainState::option2Changed, this, [this](bool on) { setRadio(m_option2, on); });
    setRadio(m_option1, s.option1());
    setRadio(m_option2, s.option2());

    connect(m_check1, &QAbstractButton::toggled, &s, [&s](bool on) { s.setCheck1(on ? 1 : 0); });
    connect(m_check14, &QAbstractButton::toggled, &s, [&s](bool on) { s.setCheck14(on ? 1 : 0); });
    m_pageTimeout->setValue(s.pageTimeout());
    connect(m_pageTimeout, &QSpinBox::valueChanged, &s, &MainState::setPageTimeout);
    connect(&s, &MainState::pageTimeoutChanged, m_pageTimeout, &QSpinBox::setValue);
    m_settle->setValue(s.settleSeconds());
    connect(m_settle, &QSpinBox::valueChanged, &s, &MainState::setSettleSeconds);
    connect(&s, &MainState::settleSecondsChanged, m_settle, &QSpinBox::setValue);
    m_scroll->setValue(s.scrollViews());
    connect(m_scroll, &QSpinBox::valueChanged, &s, &MainState::setScrollViews);
    connect(&s, &MainState::scrollViewsChanged, m_scroll, &QSpinBox::setValue);
    m_pagesAtOnce->setValue(s.pagesAtOnce());
    connect(m_pagesAtOnce, &QSpinBox::valueChanged, &s, &MainState::setPagesAtOnce);
    connect(&s, &MainState::pagesAtOnceChanged, m_pagesAtOnce, &QSpinBox::setValue);
    connect(&s, &MainState::check1Changed, m_check1, [this](int v) { m_check1->setChecked(v != 0); });
    connect(&s, &MainState::check14Changed, m_check14, [this](int v) { m_check14->setChecked(v != 0); });
    m_check1->setChecked(s.keepDuplicates());
    m_check14->setChecked(s.showSourceFilename());

    // A wait counts in the status line a thousand times a second; the bar shows what a person can see,
    // at most every 40 ms, and always the last state.
    m_showProgress = new QTimer(this);
    m_showProgress->setSingleShot(true);
    m_showProgress->setInterval(40);
    // The rows found meanwhile are shown on the same tick, so that the window repaints once for both.
    connect(m_showProgress, &QTimer::timeout, this, [this] {
        m_progress->setFormat(progressFormat(m_state.statusLine()));
        m_progress->setValue(m_state.progressValue());
        static_cast<ResultsTableModel*>(m_resultsView->model())->followRows();
        showRowCount();
    });
    const auto showSoon = [this] {
        if (!m_showProgress->isActive())
            m_showProgress->start();
    };
    connect(&s, &MainState::statusLineChanged, this, showSoon);
    connect(&s, &MainState::progressValueChanged, this, showSoon);
    m_progress->setFormat(progressFormat(s.statusLine()));
    m_progress->setValue(s.progressValue());

    connect(&s, &MainState::problemAdded, this, [this](qsizetype index) {
        const MainState::PageProblem& problem = m_state.problems().at(index);
        auto* item = new QTreeWidgetItem(
            m_problems, {problem.time, problem.source, problem.reason.section(QStringLiteral("\r\n"), 0, 0)});
        item->setToolTip(2, problem.reason);
        m_problems->scrollToItem(item);
        showProblemCount();
    });
    connect(&s, &MainState::problemsCleared, this, [this] {
        m_problems->clear();
        showProblemCount();
    });
    showProblemCount();
    // Outside a run (a removal, a clear) the count follows at once; during one, on the progress tick.
    for (auto changed : {&ResultsList::removed, &ResultsList::cleared, &ResultsList::appended})
        connect(&s.results, changed, this, [this] {
            if (!m_state.isRunning())
                showRowCount();
        });
    showRowCount();
    connect(&s, &MainState::readAtSettleLimitAdded, this, [this] { showRowCount(); });
    connect(&s, &MainState::runningChanged, m_stop, &QWidget::setEnabled);
    // The problem list is the last run's.
    connect(&s, &MainState::runningChanged, this, [this](bool running) {
        if (running)
            m_state.clearProblems();
    });
    // Enter in a search field runs the mode it belongs to.
    connect(m_text1, &QLineEdit::returnPressed, m_buttons.value(QStringLiteral("PushButton2")),
            &QPushButton::click);
    connect(m_text2, &QLineEdit::returnPressed, m_buttons.value(QStringLiteral("PushButton8")),
            &QPushButton::click);
    connect(m_text5, &QLineEdit::returnPressed, m_buttons.value(QStringLiteral("PushButton17")),
            &QPushButton::click);
    // A run that ends shows all its rows and its last status at once.
    connect(&s, &MainState::runningChanged, this, [this](bool running) {
        if (running)
            return;
        static_cast<ResultsTableModel*>(m_resultsView->model())->followRows();
        showRowCount();
        m_showProgress->stop();
        m_progress->setFormat(progressFormat(m_state.statusLine()));
        m_progress->setValue(m_state.progressValue());
    });

    connect(&s, &MainState::pointerChanged, m_pointer, &PointerRules::apply);
    connect(&s, &MainState::resultsDisplayEnabledChanged, m_resultsView, &QWidget::setEnabled);
    m_pointer->apply(s.pointer());

    // The starting widths apply when the columns first show and when their number changes; a header that
    // only changes its text keeps the width the user gave it.
    connect(static_cast<ResultsTableModel*>(m_resultsView->model()), &ResultsTableModel::columnCountChanged,
            this, &Form1::applyResultColumnWidths);
    applyResultColumnWidths();

    connect(m_urlView, &QTreeView::doubleClicked, this,
            [this] { RemoveSelectedUrl(m_state, selectedPosition(m_urlView)); });
    connect(m_resultsView, &QTreeView::doubleClicked, this,
            [this] { RemoveSelectedResult(m_state, selectedPosition(m_resultsView)); });
}

qsizetype Form1::selectedPosition(const QTreeView* view) {
    const QModelIndexList selected = view->selectionModel()->selectedRows();
    return selected.isEmpty() ? 0 : selected.first().row() + 1;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_urlView && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        RemoveSelectedUrl(m_state, selectedPosition(m_urlView));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
    // Never refused. A command running underneath stops at its next event pump.
    storeLayout();
    runCommand([this] { closeMainWindow(m_host, m_state); });
    event->accept();
}

void Form1::showForm2() {
    if (!m_form2) {
        m_between = new BetweenState;
        m_between->setParent(this);
        m_form2 = new Form2(m_host, m_state, *m_between, this);
    }
    m_form2->exec();
}

void Form1::showForm3() {
    if (!m_form3) {
        m_textSet = new TextSetState;
        m_textSet->setParent(this);
        m_form3 = new Form3(m_host, m_state, *m_textSet, this);
    }
    m_form3->exec();
}

void Form1::runCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const AppClosingUnwind&) {
        // the window is closing: the command ends here
    }
}
