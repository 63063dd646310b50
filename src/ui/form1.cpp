#include "ui/form1.h"

#include "engine/apptexts.h"
#include "engine/failure.h"
#include "engine/mainstate.h"
#include "engine/modes/alllines.h"
#include "engine/modes/between.h"
#include "engine/modes/betweenstate.h"
#include "engine/modes/linefilters.h"
#include "engine/modes/linesbynumber.h"
#include "engine/modes/textset.h"
#include "output/resultscommands.h"
#include "platform/clipboard.h"
#include "platform/host.h"
#include "shell/settingskeys.h"
#include "shell/startup.h"
#include "sources/localfiles.h"
#include "sources/sourcelistcommands.h"
#include "ui/appearance.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/resultstablemodel.h"
#include "ui/twips.h"
#include "ui/urllistmodel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString ListTip = QStringLiteral(
    "Double-click item to remove it. Move | line to right and out of window to reveal full names.");

QTreeView* makeListView(const QString& name, QAbstractItemModel* model, QWidget* parent) {
    auto* view = new QTreeView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true); // keeps a million rows fast
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->header()->setStretchLastSection(true); // the last column takes the rest of the pane
    view->setToolTip(ListTip);
    return view;
}

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

Form1::Form1(Host& host, MainState& state, QWidget* parent) : QWidget(parent), m_host(host), m_state(state) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(AppTexts::productName());
    m_state.setListsPageProblems(true); // this window lists them beside the results

    // The results take the free width; the commands column scrolls rather than hold the window wide, so
    // the window goes down to about 960 by 600 and every splitter handle moves at any size.
    auto* columns = new QSplitter(Qt::Horizontal, this);
    columns->setObjectName(QStringLiteral("Columns"));
    columns->addWidget(buildSourcesColumn());
    auto* commands = new QScrollArea(this);
    commands->setObjectName(QStringLiteral("CommandsArea"));
    commands->setWidget(buildCommandsColumn());
    commands->setWidgetResizable(true);
    commands->setFrameShape(QFrame::NoFrame);
    // As wide as its widest command: it scrolls up and down when the window is short, never sideways.
    commands->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    commands->setMinimumWidth(commands->widget()->minimumSizeHint().width() +
                              commands->verticalScrollBar()->sizeHint().width());
    columns->addWidget(commands);
    columns->addWidget(buildResultsColumn());
    columns->setStretchFactor(0, 2);
    columns->setStretchFactor(1, 0);
    columns->setStretchFactor(2, 5);
    columns->setChildrenCollapsible(false);
    columns->setSizes({300, commands->widget()->sizeHint().width() + 4, 700});

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setAlignment(Qt::AlignCenter);
    m_progress->setTextVisible(true);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_progress, 1);
    m_stop =
        addButton(QStringLiteral("PushButton23"), QStringLiteral("Stop"), [this] { m_state.requestStop(); });
    m_stop->setToolTip(
        QStringLiteral("Stop the running extraction after its current step (Esc). The rows found so "
                       "far stay."));
    m_stop->setEnabled(false);
    bottom->addWidget(m_stop);
    bottom->addWidget(
        addButton(QStringLiteral("PushButton21"), QStringLiteral("Help"), [this] { showMainHelp(m_host); }));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { m_state.requestStop(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6); // narrow edges: three columns share 960 pixels at scale 2
    layout->addWidget(columns, 1);
    layout->addLayout(bottom);

    m_pointer = new PointerRules(
        this, [this] { return m_state.pointer(); }, [this](int p) { m_state.setPointer(p); });
    m_pointer->watchAll();
    bindState();
    fitScreen();
}

// The first size is what the window wants, within the screen it opens on; a size and place of an earlier
// session come back when the window first shows.
void Form1::fitScreen() {
    const QSize available = screen() ? screen()->availableGeometry().size() : QSize(1200, 720);
    // Room for the frame the window manager puts around it.
    const QSize room = (available - QSize(8, 40)).expandedTo(QSize(320, 240));
    setMinimumSize(minimumSizeHint().boundedTo(QSize(960, 600)).boundedTo(room));
    resize(QSize(1200, 720).boundedTo(room));
}

void Form1::restoreLayout() {
    const auto stored = [this](const QString& key) {
        return QByteArray::fromBase64(Settings::read(m_host.settings, key, {}).toLatin1());
    };
    const QByteArray geometry = stored(QStringLiteral("WindowGeometry"));
    if (!geometry.isEmpty())
        restoreGeometry(geometry); // a place off every screen now is brought back onto one
    for (QSplitter* splitter : findChildren<QSplitter*>()) {
        const QByteArray sizes = stored(QStringLiteral("Splitter") + splitter->objectName());
        if (!sizes.isEmpty())
            splitter->restoreState(sizes);
    }
    for (QTreeView* view : {m_urlView, m_resultsView}) {
        const QStringList widths =
            Settings::read(m_host.settings, view->objectName() + QStringLiteral("Widths"), {})
                .split(QLatin1Char(','), Qt::SkipEmptyParts);
        // Only for the same columns: a table that has other columns now takes their own widths.
        if (widths.size() != view->model()->columnCount())
            continue;
        for (int c = 0; c + 1 < widths.size(); ++c) // the last column takes the rest of the pane
            if (const int width = widths.at(c).toInt(); width > 0)
                view->setColumnWidth(c, width);
    }
}

void Form1::storeLayout() {
    const auto store = [this](const QString& key, const QByteArray& value) {
        Settings::writeSoon(m_host.settings, key, QString::fromLatin1(value.toBase64()));
    };
    store(QStringLiteral("WindowGeometry"), saveGeometry());
    for (QSplitter* splitter : findChildren<QSplitter*>())
        store(QStringLiteral("Splitter") + splitter->objectName(), splitter->saveState());
    for (QTreeView* view : {m_urlView, m_resultsView}) {
        QStringList widths;
        for (int c = 0; c < view->model()->columnCount(); ++c)
            widths << QString::number(view->columnWidth(c));
        Settings::writeSoon(m_host.settings, view->objectName() + QStringLiteral("Widths"),
                            widths.join(QLatin1Char(',')));
    }
}

void Form1::showEvent(QShowEvent* event) {
    if (!std::exchange(m_layoutRestored, true))
        restoreLayout();
    QWidget::showEvent(event);
}

QPushButton* Form1::addButton(const QString& name, const QString& caption, std::function<void()> command) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    if (command)
        connect(button, &QPushButton::clicked, this, [this, command] { runCommand(command); });
    m_buttons.insert(name, button);
    return button;
}

QWidget* Form1::buildSourcesColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    m_urlView = makeListView(QStringLiteral("ListView1"), new UrlListModel(m_state.urls, this), column);
    m_urlView->setColumnWidth(0, twipsToPixels(7000, this));
    m_urlView->installEventFilter(this); // the Delete key
    layout->addWidget(m_urlView, 1);

    auto* buttons = new QGridLayout;
    const auto add = [&](int row, int col, const char* name, const char* caption,
                         std::function<void()> command = {}) {
        buttons->addWidget(addButton(QLatin1String(name), QLatin1String(caption), std::move(command)), row,
                           col);
    };
    // One button a row: the column stays narrow enough for the results to have the width.
    add(0, 0, "PushButton5", "Add One URL", [this] { addOneUrl(m_host, m_state); });
    add(1, 0, "PushButton13", "Load List Of URLS From Text File",
        [this] { loadUrlListFile(m_host, m_state); });
    add(2, 0, "PushButton10", "Add Local HTML Files", [this] { addLocalHtmlFiles(m_host, m_state); });
    add(3, 0, "PushButton7", "Add All HTML File(s) In Folder",
        [this] { addHtmlFilesInFolder(m_host, m_state); });
    add(4, 0, "PushButton22", "Load Sample/Example URLs", [this] { loadSampleUrls(m_host, m_state); });
    add(5, 0, "PushButton11", "Clear List", [this] { clearSourceList(m_host, m_state); });
    add(6, 0, "PushButton14", "Remove URLs Containing X", [this] { removeUrlsContaining(m_host, m_state); });
    add(7, 0, "PushButton15", "Remove URLs Not Containing X",
        [this] { removeUrlsNotContaining(m_host, m_state); });
    layout->addLayout(buttons);
    return column;
}

QWidget* Form1::buildCommandsColumn() {
    auto* column = new QWidget(this);
    auto* grid = new QGridLayout(column);
    grid->setContentsMargins(4, 0, 4, 0);
    // Close rows: the whole column fits a 540-pixel-high screen (1080 at scale 2) without scrolling.
    grid->setVerticalSpacing(2);
    const auto lineEdit = [&](const char* name) {
        auto* edit = new QLineEdit(column);
        edit->setObjectName(QLatin1String(name));
        edit->setMinimumWidth(100);
        return edit;
    };
    m_text1 = lineEdit("Text1");
    m_text2 = lineEdit("Text2");
    m_text5 = lineEdit("Text5");

    // Each search field sits under its command, so the column needs only a button's width.
    grid->addWidget(addButton(QStringLiteral("PushButton3"), QStringLiteral("Extract All Lines In Web Sites"),
                              [this] { runAllLines(m_host, m_state); }),
                    0, 0, 1, 2);
    grid->addWidget(addButton(QStringLiteral("PushButton2"),
                              QStringLiteral("Extract All Lines Containing This Text:"),
                              [this] { runLinesContaining(m_host, m_state); }),
                    1, 0, 1, 2);
    grid->addWidget(m_text1, 2, 0, 1, 2);
    grid->addWidget(addButton(QStringLiteral("PushButton8"),
                              QStringLiteral("Extract All Lines Not Contain. This Text:"),
                              [this] { runLinesNotContaining(m_host, m_state); }),
                    3, 0, 1, 2);
    grid->addWidget(m_text2, 4, 0, 1, 2);
    grid->addWidget(addButton(QStringLiteral("PushButton17"), QStringLiteral("Extract Lines By Number:"),
                              [this] { runLinesByNumber(m_host, m_state); }),
                    5, 0);
    grid->addWidget(addButton(QStringLiteral("PushButton16"), QStringLiteral("Help >"),
                              [this] { showLinesByNumberHelp(m_host); }),
                    5, 1);
    grid->addWidget(m_text5, 6, 0, 1, 2);
    grid->addWidget(addButton(QStringLiteral("PushButton4"),
                              QStringLiteral("Extract Between X and Y (Repeatedly)"),
                              [this] { showForm2(); }),
                    7, 0);
    grid->addWidget(
        addButton(QStringLiteral("PushButton18"), QStringLiteral("Help >"),
                  [this] { ExtractBetween::showHelp(m_host, QStringLiteral("Form1.PushButton18_Click")); }),
        7, 1);
    grid->addWidget(addButton(QStringLiteral("PushButton19"),
                              QStringLiteral("Extract Lines Containing These Text Sets"),
                              [this] { showForm3(); }),
                    8, 0);
    grid->addWidget(
        addButton(QStringLiteral("PushButton20"), QStringLiteral("Help >"),
                  [this] { ExtractTextSets::showHelp(m_host, QStringLiteral("Form1.PushButton20_Click")); }),
        8, 1);

    auto* frame3 = new QGroupBox(QStringLiteral("Extract Option"), column);
    frame3->setObjectName(QStringLiteral("Frame3"));
    m_option1 = new QRadioButton(QStringLiteral("Extract from all text including HTML code"), frame3);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option2 = new QRadioButton(QStringLiteral("Extract from web browser text only (no HTML code)"), frame3);
    m_option2->setObjectName(QStringLiteral("Option2"));
    auto* options = new QVBoxLayout(frame3);
    options->setSpacing(2);
    options->addWidget(m_option1);
    options->addWidget(m_option2);
    // A labelled number in the option frame.
    const auto spinRow = [&](const char* name, const QString& label, int maximum, const QString& tip) {
        auto* spin = new QSpinBox(frame3);
        spin->setObjectName(QLatin1String(name));
        spin->setRange(1, maximum);
        spin->setToolTip(tip);
        auto* row = new QHBoxLayout;
        auto* text = new QLabel(label, frame3);
        text->setBuddy(spin);
        row->addWidget(text);
        row->addWidget(spin);
        row->addStretch(1);
        options->addLayout(row);
        return spin;
    };
    m_pageTimeout =
        spinRow("PageTimeout", QStringLiteral("Page time limit:"), 3600,
                QStringLiteral("How long one page may take to load. A page still loading then is read "
                               "as far as it has loaded; one that has not answered gives no text."));
    m_pageTimeout->setSuffix(QStringLiteral(" s"));
    m_settle =
        spinRow("SettleTimeout", QStringLiteral("Wait for late content:"), MainState::MaxSettleSeconds,
                QStringLiteral("How long a loaded page may take to finish what its scripts fetch, "
                               "write and schedule before it is read anyway. A page that is done earlier "
                               "is read at once; 0 reads every page the moment its document is "
                               "complete."));
    m_settle->setMinimum(0);
    m_settle->setSuffix(QStringLiteral(" s"));
    m_pagesAtOnce =
        spinRow("PagesAtOnce", QStringLiteral("Pages at once:"), MainState::MaxPagesAtOnce,
                QStringLiteral("How many pages load at the same time. The results still come in the "
                               "order of the list. More pages at once is faster on slow servers and "
                               "takes more memory; 1 loads one page after the other."));
    grid->addWidget(frame3, 9, 0, 1, 2);

    auto* frame2 = new QGroupBox(QStringLiteral("Results Option"), column);
    frame2->setObjectName(QStringLiteral("Frame2"));
    m_check14 = new QCheckBox(QStringLiteral("Show source filename next to extracted text"), frame2);
    m_check14->setObjectName(QStringLiteral("Check14"));
    m_check1 = new QCheckBox(QStringLiteral("Keep duplicate results"), frame2);
    m_check1->setObjectName(QStringLiteral("Check1"));
    auto* checks = new QVBoxLayout(frame2);
    checks->setSpacing(2);
    checks->addWidget(m_check14);
    checks->addWidget(m_check1);
    grid->addWidget(frame2, 10, 0, 1, 2);
    grid->setRowStretch(11, 1);
    return column;
}

QWidget* Form1::buildResultsColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    m_resultsView =
        makeListView(QStringLiteral("ListView2"), new ResultsTableModel(m_state.results, this), column);
    auto* split = new QSplitter(Qt::Vertical, column);
    split->setObjectName(QStringLiteral("ResultsAndProblems"));
    split->setChildrenCollapsible(false);
    split->addWidget(m_resultsView);
    split->addWidget(buildProblemsPane(column));
    split->setStretchFactor(0, 5);
    split->setStretchFactor(1, 1);
    split->setSizes({500, 110});
    layout->addWidget(split, 1);

    auto* buttons = new QGridLayout;
    const auto add = [&](int row, int col, const char* name, const char* caption,
                         void (*command)(Host&, MainState&)) {
        buttons->addWidget(addButton(QLatin1String(name), QLatin1String(caption),
                                     [this, command] { command(m_host, m_state); }),
                           row, col);
    };
    // Two a row: the column keeps room for the results on a small screen.
    add(0, 0, "PushButton6", "Save Results As Text File", &saveAlignedTable);
    add(0, 1, "PushButton1", "Save As Comma Delimited", &saveCommaDelimited);
    add(1, 0, "PushButton24", "Save As CSV", &saveCsv);
    add(1, 1, "PushButton12", "Copy Results To Clipboard", &copyResultsToClipboard);
    add(2, 0, "PushButton9", "Clear Results", &clearResults);
    m_buttons.value(QStringLiteral("PushButton24"))
        ->setToolTip(
            QStringLiteral("Save the results as a table other programs read back row by row: a header of "
                           "the columns shown, one line per result, quoted where needed (UTF-8)."));
    m_rowCount = new QLabel(column);
    m_rowCount->setObjectName(QStringLiteral("RowCount"));
    m_rowCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    buttons->addWidget(m_rowCount, 2, 1);
    layout->addLayout(buttons);
    return column;
}

QWidget* Form1::buildProblemsPane(QWidget* parent) {
    // Sources that could not be loaded, listed while the run goes on: no box to click through for each.
    auto* pane = new QWidget(parent);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* head = new QHBoxLayout;
    m_problemCount = new QLabel(pane);
    m_problemCount->setObjectName(QStringLiteral("ProblemCount"));
    m_problemCount->setWordWrap(true); // two lines rather than a wider column
    head->addWidget(m_problemCount, 1);
    auto* copy = new QPushButton(QStringLiteral("Copy Problems"), pane);
    copy->setObjectName(QStringLiteral("CopyProblems"));
    connect(copy, &QPushButton::clicked, this, [this] {
        QString text;
        for (const MainState::PageProblem& problem : m_state.problems())
            text += problem.time + QLatin1Char('\t') + problem.source + QLatin1Char('\t') + problem.reason +
                    QStringLiteral("\r\n");
        setClipboardText(m_host.clipboard, text);
    });
    auto* clear = new QPushButton(QStringLiteral("Clear Problems"), pane);
    clear->setObjectName(QStringLiteral("ClearProblems"));
    connect(clear, &QPushButton::clicked, &m_state, &MainState::clearProblems);
    head->addWidget(copy);
    head->addWidget(clear);
    layout->addLayout(head);
    m_problems = new QTreeWidget(pane);
    m_problems->setObjectName(QStringLiteral("Problems"));
    m_problems->setHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("Source"), QStringLiteral("Problem")});
    m_problems->setRootIsDecorated(false);
    m_problems->setUniformRowHeights(true);
    m_problems->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_problems->header()->setStretchLastSection(true);
    m_problems->setColumnWidth(0, fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 16);
    m_problems->setColumnWidth(1, 220);
    layout->addWidget(m_problems, 1);
    return pane;
}

void Form1::showRowCount() {
    const qsizetype count = m_state.results.count();
    m_rowCount->setText(count == 1
                            ? QStringLiteral("1 row")
                            : QStringLiteral("%1 rows").arg(QLocale(QLocale::English).toString(count)));
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

void Form1::applyResultColumnWidths() {
    const auto& columns = m_state.results.columns();
    for (int c = 0; c < columns.size(); ++c)
        m_resultsView->setColumnWidth(c, twipsToPixels(columns[c].widthTwips, this));
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

QString Form1::applicationFolder() {
    return QCoreApplication::applicationDirPath();
}

void Form1::applyFaceColor() {
    ApplyFaceColor(this);
}

void Form1::applySkin(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(file.errorString() + QStringLiteral(": ") + path);
    setStyleSheet(QString::fromUtf8(file.readAll()));
}

void Form1::loadHoverPointer(const QString& path) {
    m_pointer->setHoverCursor(loadPointerImage(path));
}

void Form1::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void Form1::setApplicationIcon() {
    setWindowIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
}

void Form1::setUrlColumn(const QString&, int widthTwips) {
    // The header text comes from the list's model.
    m_urlView->setColumnWidth(0, twipsToPixels(widthTwips, this));
}

Form1::~Form1() = default;

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
