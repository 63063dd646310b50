#include "ui/form1.h"

#include "base/apptexts.h"
#include "base/failure.h"
#include "engine/mainstate.h"
#include "engine/modes/alllines.h"
#include "engine/modes/between.h"
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
#include "ui/networkdialog.h"
#include "ui/resultstablemodel.h"
#include "ui/twips.h"
#include "ui/urllistmodel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
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

QPushButton* Form1::addButton(const QString& name, const QString& caption, std::function<void()> command) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    if (command)
        connect(button, &QPushButton::clicked, this,
                [this, command = std::move(command)] { runCommand(command); });
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
    // A labelled number in the option frame, on a row of its own or at the end of the row before.
    QHBoxLayout* spinLine = nullptr;
    const auto spinRow = [&](const char* name, const QString& label, int maximum, const QString& tip,
                             bool onRowBefore = false) {
        auto* spin = new QSpinBox(frame3);
        spin->setObjectName(QLatin1String(name));
        spin->setRange(1, maximum);
        spin->setToolTip(tip);
        auto* text = new QLabel(label, frame3);
        text->setBuddy(spin);
        if (onRowBefore && spinLine) {
            spinLine->insertSpacing(spinLine->count() - 1, 8);
            spinLine->insertWidget(spinLine->count() - 1, text);
            spinLine->insertWidget(spinLine->count() - 1, spin);
            return spin;
        }
        spinLine = new QHBoxLayout;
        spinLine->addWidget(text);
        spinLine->addWidget(spin);
        spinLine->addStretch(1);
        options->addLayout(spinLine);
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
    m_scroll = spinRow("ScrollViews", QStringLiteral("Scroll:"), MainState::MaxScrollViews,
                       QStringLiteral("How many views a loaded page taller than its view is scrolled on "
                                      "by, one at a time, so that what comes into view as a person "
                                      "scrolls comes too. Only pages that watch their scrolling are "
                                      "scrolled; 0 never scrolls."),
                       true);
    m_scroll->setMinimum(0);
    m_scroll->setSuffix(QStringLiteral(" views"));
    m_pagesAtOnce =
        spinRow("PagesAtOnce", QStringLiteral("Pages at once:"), MainState::MaxPagesAtOnce,
                QStringLiteral("How many pages load at the same time. The results still come in the "
                               "order of the list. More pages at once is faster on slow servers and "
                               "takes more memory; 1 loads one page after the other."));
    // Beside the pages at once, where the window has room: how pages are asked for.
    auto* network = addButton(QStringLiteral("NetworkButton"), QStringLiteral("Network..."),
                              [this] { NetworkDialog(m_host, m_state, this).exec(); });
    if (auto* row = qobject_cast<QHBoxLayout*>(options->itemAt(options->count() - 1)->layout()))
        row->insertWidget(2, network);
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
