#include "engine/modes/between.h"
#include "engine/modes/linesbynumber.h"
#include "engine/modes/textset.h"
#include "engine/procedure.h"
#include "fakes/fakehost.h"
#include "platform/qt/qtdialogs.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/systemclock.h"
#include "shell/startup.h"
#include "support/localhttpserver.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "wiring/pagebrowser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <tuple>

namespace {
class MainWindow : public ::testing::Test {
protected:
    FakeHost f;
    Form1 form{f.host, f.state};
    template <class T> T* find(const char* name) { return form.findChild<T*>(QLatin1String(name)); }
};
} // namespace

TEST_F(MainWindow, EveryControlIsThereByNameWithItsCaption) {
    const QList<std::pair<const char*, const char*>> buttons = {
        {"PushButton5", "Add One URL"},
        {"PushButton13", "Load List Of URLS From Text File"},
        {"PushButton11", "Clear List"},
        {"PushButton14", "Remove URLs Containing X"},
        {"PushButton15", "Remove URLs Not Containing X"},
        {"PushButton22", "Load Sample/Example URLs"},
        {"PushButton10", "Add Local HTML Files"},
        {"PushButton7", "Add All HTML File(s) In Folder"},
        {"PushButton3", "Extract All Lines In Web Sites"},
        {"PushButton2", "Extract All Lines Containing This Text:"},
        {"PushButton8", "Extract All Lines Not Contain. This Text:"},
        {"PushButton17", "Extract Lines By Number:"},
        {"PushButton16", "Help >"},
        {"PushButton4", "Extract Between X and Y (Repeatedly)"},
        {"PushButton18", "Help >"},
        {"PushButton19", "Extract Lines Containing These Text Sets"},
        {"PushButton20", "Help >"},
        {"PushButton6", "Save Results As Text File"},
        {"PushButton1", "Save As Comma Delimited"},
        {"PushButton24", "Save As CSV"},
        {"PushButton12", "Copy Results To Clipboard"},
        {"PushButton9", "Clear Results"},
        {"PushButton21", "Help"},
        {"Option1", "Extract from all text including HTML code"},
        {"Option2", "Extract from web browser text only (no HTML code)"},
        {"Check14", "Show source filename next to extracted text"},
        {"Check1", "Keep duplicate results"},
    };
    for (const auto& [name, caption] : buttons) {
        auto* button = find<QAbstractButton>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), QLatin1String(caption)) << name;
    }
    EXPECT_EQ(find<QGroupBox>("Frame3")->title(), QStringLiteral("Extract Option"));
    EXPECT_EQ(find<QGroupBox>("Frame2")->title(), QStringLiteral("Results Option"));
    for (const char* name : {"Text1", "Text2", "Text5"})
        EXPECT_NE(find<QLineEdit>(name), nullptr) << name;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quarnel"));
    EXPECT_EQ(find<QProgressBar>("ProgressBar1")->format(), QStringLiteral("Progress Bar"));
    auto* urls = find<QTreeView>("ListView1");
    auto* results = find<QTreeView>("ListView2");
    EXPECT_EQ(urls->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("URL(s)"));
    EXPECT_EQ(results->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Result(s)"));
    EXPECT_TRUE(results->toolTip().startsWith(QStringLiteral("Double-click item to remove it.")));
    EXPECT_TRUE(find<QRadioButton>("Option1")->isChecked());

    // The "Help >" buttons report failures under the main window's own names.
    QStringList locations;
    Procedure::setFaultHook([&](const QString& location, int) { locations << location; });
    for (const char* name : {"PushButton16", "PushButton18", "PushButton20"})
        find<QPushButton>(name)->click();
    Procedure::setFaultHook(nullptr);
    EXPECT_EQ(locations, QStringList({QStringLiteral("Form1.PushButton16_Click"),
                                      QStringLiteral("Form1.PushButton18_Click"),
                                      QStringLiteral("Form1.PushButton20_Click")}));
}

// The size, the splitters and the column widths the user gave the window come back in the next session.
TEST_F(MainWindow, TheLayoutComesBackInTheNextSession) {
    form.show();
    form.resize(form.minimumWidth() + 5, form.minimumHeight() + 7);
    auto* split = find<QSplitter>("ResultsAndProblems");
    split->setSizes({150, 200});
    f.state.results.removeAllColumns(); // the source column shown: the first column's width is the user's
    f.state.results.addColumn(QStringLiteral("Source Filename"));
    f.state.results.addColumn(QStringLiteral("Extraction Results"));
    QElapsedTimer shown; // the view takes new columns on its display tick
    shown.start();
    while (find<QTreeView>("ListView2")->model()->columnCount() != 2 && shown.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    find<QTreeView>("ListView2")->setColumnWidth(0, 123);
    QCoreApplication::processEvents();
    const QList<int> sizes = split->sizes();
    const QSize size = form.size();
    form.close();

    Form1 next(f.host, f.state);
    next.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(next.size(), size);
    EXPECT_EQ(next.findChild<QSplitter*>(QStringLiteral("ResultsAndProblems"))->sizes(), sizes);
    EXPECT_EQ(next.findChild<QTreeView*>(QStringLiteral("ListView2"))->columnWidth(0), 123);
}

TEST_F(MainWindow, ControlsAndStateFollowEachOther) {
    find<QLineEdit>("Text1")->setText(QStringLiteral("abc"));
    EXPECT_EQ(f.state.text1(), QStringLiteral("abc"));
    f.state.setText2(QStringLiteral("typed by a command"));
    EXPECT_EQ(find<QLineEdit>("Text2")->text(), QStringLiteral("typed by a command"));
    find<QRadioButton>("Option2")->click();
    EXPECT_TRUE(f.state.option2());
    EXPECT_FALSE(f.state.option1());
    f.state.setOption2(false); // a stored state may have neither selected
    EXPECT_FALSE(find<QRadioButton>("Option1")->isChecked());
    EXPECT_FALSE(find<QRadioButton>("Option2")->isChecked());
    find<QAbstractButton>("Check1")->click();
    EXPECT_TRUE(f.state.keepDuplicates());
    find<QSpinBox>("PageTimeout")->setValue(20);
    EXPECT_EQ(f.state.pageTimeout(), 20);
    f.state.setStatusLine(QStringLiteral("Processing: 100% done"));
    QElapsedTimer shown; // the bar shows the status a moment later
    shown.start();
    while (find<QProgressBar>("ProgressBar1")->text() != QStringLiteral("Processing: 100% done") &&
           shown.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(find<QProgressBar>("ProgressBar1")->text(), QStringLiteral("Processing: 100% done"));
}

TEST_F(MainWindow, ExtractButtonRunsTheModeOverTheList) {
    f.state.setCheck1(1);
    f.browser.setPage(QStringLiteral("p"), QStringLiteral("one\r\ntwo"));
    f.state.urls.append(QStringLiteral("p"));
    form.button(QStringLiteral("PushButton3"))->click();
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("one"), QStringLiteral("two")}));
    EXPECT_EQ(find<QTreeView>("ListView2")->model()->rowCount(), 2);
    EXPECT_EQ(f.dialogs.texts().last(), QStringLiteral("Done."));

    // Fifty sources rename the first header fifty times: the view hears of it on its display tick, not
    // once a source, and is left with the name the run ends with.
    for (int i = 0; i < 50; ++i) {
        f.browser.setPage(QString::number(i), QStringLiteral("line"));
        f.state.urls.append(QString::number(i));
    }
    QAbstractItemModel* model = find<QTreeView>("ListView2")->model();
    int renames = 0;
    QObject::connect(model, &QAbstractItemModel::headerDataChanged, [&] { ++renames; });
    form.button(QStringLiteral("PushButton3"))->click();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_GE(renames, 1);
    EXPECT_LT(renames, 10);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Result(s)"));
}

// A page that cannot be loaded is a row in the problem list, not a box; the widths the user gave the columns
// outlive the run; Stop ends a run after its current step with what it found; the hand leaves with the mouse.
TEST_F(MainWindow, ARunListsBadPagesKeepsWidthsAndStopsOnRequest) {
    f.state.setCheck1(1);
    for (const char* name : {"p1", "p3", "p4"})
        f.browser.setPage(QLatin1String(name), QStringLiteral("line of ") + QLatin1String(name));
    f.browser.pages[QStringLiteral("p2")].loadError =
        QStringLiteral("the server answered HTTP 404 Not Found");
    for (const char* name : {"p1", "p2", "p3", "p4"})
        f.state.urls.append(QLatin1String(name));
    auto* results = find<QTreeView>("ListView2");
    form.button(QStringLiteral("PushButton3"))->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("line of p1"), QStringLiteral("line of p3"),
                                            QStringLiteral("line of p4")}));
    EXPECT_EQ(f.dialogs.texts(), QStringList({QStringLiteral("Done.")})); // no box for p2
    auto* problems = find<QTreeWidget>("Problems");
    ASSERT_EQ(problems->topLevelItemCount(), 1);
    EXPECT_EQ(problems->topLevelItem(0)->text(1), QStringLiteral("p2"));
    EXPECT_EQ(problems->topLevelItem(0)->text(2),
              QStringLiteral("Could not load p2: the server answered HTTP 404 Not Found"));
    EXPECT_EQ(find<QLabel>("ProblemCount")->text(), QStringLiteral("1 source could not be read"));
    EXPECT_EQ(find<QLabel>("RowCount")->text(), QStringLiteral("3 rows"));

    // A second run with the source column: the user widens it; further runs keep that width and the row
    // the user selected.
    f.state.setCheck14(1);
    form.button(QStringLiteral("PushButton3"))->click();
    QCoreApplication::processEvents();
    results->setColumnWidth(0, 321);
    results->setCurrentIndex(results->model()->index(1, 0));
    f.dialogs.messages.clear();
    form.button(QStringLiteral("PushButton3"))->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(results->columnWidth(0), 321);
    EXPECT_EQ(results->currentIndex().row(), 1);
    // The problem list is the last run's alone; the count of rows covers every run's rows.
    EXPECT_EQ(problems->topLevelItemCount(), 1);
    EXPECT_EQ(find<QLabel>("RowCount")->text(), QStringLiteral("9 rows"));

    // Enter in a search field runs its mode.
    f.state.results.clear();
    EXPECT_EQ(find<QLabel>("RowCount")->text(), QStringLiteral("0 rows"));
    f.state.setCheck14(0);
    find<QLineEdit>("Text1")->setText(QStringLiteral("p3"));
    QKeyEvent returnKey(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(find<QLineEdit>("Text1"), &returnKey);
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("line of p3")}));

    // Stop during the second page: the first page's rows stay, and the run ends as a run does.
    f.state.results.clear();
    EXPECT_FALSE(form.button(QStringLiteral("PushButton23"))->isEnabled());
    f.browser.onNavigate = [&](const QString& entry) {
        if (entry == QStringLiteral("p3")) {
            EXPECT_TRUE(form.button(QStringLiteral("PushButton23"))->isEnabled());
            form.button(QStringLiteral("PushButton23"))->click();
        }
    };
    f.dialogs.messages.clear();
    form.button(QStringLiteral("PushButton3"))->click();
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("line of p1"), QStringLiteral("line of p3")}));
    EXPECT_EQ(f.dialogs.texts(), QStringList({QStringLiteral("Stopped.")}));
    EXPECT_EQ(f.state.pointer(), Pointer::Default);
    EXPECT_EQ(f.state.statusLine(), QStringLiteral("Progress Bar"));
    EXPECT_FALSE(form.button(QStringLiteral("PushButton23"))->isEnabled());

    // The hand over a button goes when the mouse leaves it for the bare window.
    QPushButton* help = form.button(QStringLiteral("PushButton21"));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(help, &enter);
    EXPECT_EQ(f.state.pointer(), Pointer::Hover);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(help, &leave);
    EXPECT_EQ(f.state.pointer(), Pointer::Default);
}

TEST_F(MainWindow, DoubleClickRemovesTheSelectedRowUnlessBusy) {
    f.state.urls.append(QStringLiteral("a"));
    f.state.urls.append(QStringLiteral("b"));
    auto* view = find<QTreeView>("ListView1");
    view->setCurrentIndex(view->model()->index(1, 0));
    f.state.setPointer(Pointer::Busy);
    Q_EMIT view->doubleClicked(view->currentIndex());
    EXPECT_EQ(f.state.urls.count(), 2);
    f.state.setPointer(Pointer::Default);
    Q_EMIT view->doubleClicked(view->currentIndex());
    ASSERT_EQ(f.state.urls.count(), 1);
    EXPECT_EQ(f.state.urls.at(1), QStringLiteral("a"));
}

TEST_F(MainWindow, AddOneUrlAppendsTheAnswerAsTyped) {
    f.dialogs.promptAnswers << QStringLiteral("  127.0.0.1:8080/page.html ");
    form.button(QStringLiteral("PushButton5"))->click();
    form.button(QStringLiteral("PushButton5"))->click(); // cancelled
    ASSERT_EQ(f.state.urls.count(), 1);
    EXPECT_EQ(f.state.urls.at(1), QStringLiteral("  127.0.0.1:8080/page.html "));
    EXPECT_EQ(f.dialogs.prompts[0].text,
              QStringLiteral("Enter web site address to add (such as example.com): "));
}

TEST_F(MainWindow, DeleteKeyWithAnyModifiersRemovesTheSelectedEntry) {
    f.state.urls.append(QStringLiteral("a"));
    f.state.urls.append(QStringLiteral("b"));
    auto* view = find<QTreeView>("ListView1");
    view->setCurrentIndex(view->model()->index(0, 0));
    QKeyEvent other(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &other);
    EXPECT_EQ(f.state.urls.count(), 2);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::ShiftModifier | Qt::ControlModifier);
    QCoreApplication::sendEvent(view, &del);
    ASSERT_EQ(f.state.urls.count(), 1);
    EXPECT_EQ(f.state.urls.at(1), QStringLiteral("b"));
}

TEST_F(MainWindow, ModeWindowsOpenModallyHideOnCloseAndKeepTheirFields) {
    // Each window is closed by the user as soon as it shows.
    QTimer::singleShot(0, &form, [this] {
        auto* text1 = form.form2()->findChild<QLineEdit*>(QStringLiteral("Text1"));
        text1->setText(QStringLiteral("<td>"));
        EXPECT_TRUE(form.form2()->isModal());
        form.form2()->button("PushButton1")->click(); // "Close"
    });
    form.button(QStringLiteral("PushButton4"))->click();
    ASSERT_NE(form.form2(), nullptr);
    EXPECT_FALSE(form.form2()->isVisible());
    EXPECT_EQ(f.settings.value(QStringLiteral("StartWith")), QStringLiteral("<td>"));
    EXPECT_EQ(form.form2()->windowTitle(), QStringLiteral("Extract Between"));
    for (const char* name : {"Check1", "Check2"})
        EXPECT_TRUE(form.form2()->findChild<QAbstractButton*>(QLatin1String(name))->isChecked()) << name;

    QTimer::singleShot(0, &form, [this] { form.form2()->close(); });
    auto* before = form.form2();
    form.button(QStringLiteral("PushButton4"))->click();
    EXPECT_EQ(form.form2(), before); // the same window, fields kept
    EXPECT_EQ(form.form2()->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QStringLiteral("<td>"));

    // The text-set window: a text added, a run that closes it, the set still there on reopening.
    f.state.urls.append(QStringLiteral("p"));
    f.browser.setPage(QStringLiteral("p"), QStringLiteral("one width\r\ntwo"));
    f.dialogs.promptAnswers << QStringLiteral("WIDTH");
    QTimer::singleShot(0, &form, [this] {
        form.form3()->button("PushButton2")->click(); // "Add Text"
        form.form3()->button("PushButton4")->click(); // "Start Extracting" closes the window at its end
    });
    form.button(QStringLiteral("PushButton19"))->click();
    EXPECT_FALSE(form.form3()->isVisible());
    EXPECT_EQ(f.resultTexts(), QStringList({QStringLiteral("one width")}));
    EXPECT_EQ(form.form3()->cursor().shape(), Qt::ArrowCursor);
    QTimer::singleShot(0, &form, [this] { form.form3()->close(); });
    form.button(QStringLiteral("PushButton19"))->click();
    EXPECT_EQ(form.form3()->findChild<QComboBox*>(QStringLiteral("Combo1"))->count(), 1);
}

// The window over real pages: twenty sources, three of them dead, end with seventeen pages' rows, three
// problems listed, and one box, "Done.".
TEST(MainWindowOverRealPages, DeadPagesAreListedAndTheRunEndsWithOneBox) {
    LocalHttpServer server;
    ASSERT_TRUE(server.start());
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 refused = closed.serverPort();
    closed.close();
    FakeHost f;
    QtEventPump pump;
    SystemClock clock;
    MainState state;
    PagesHost wired(pump, clock, state, f.services());
    Host& host = wired.host;
    Form1 form(host, state);
    state.setCheck1(1);
    state.selectOption2();
    for (int i = 1; i <= 20; ++i) {
        const QString path = QStringLiteral("/page%1.html").arg(i);
        if (i == 5)
            state.urls.append(QStringLiteral("127.0.0.1:%1/gone.html").arg(refused));
        else if (i == 11)
            state.urls.append(server.base() + QStringLiteral("/missing.html"));
        else if (i == 17)
            state.urls.append(QStringLiteral("javascript:void(0)"));
        else {
            server.setPage(
                path, QStringLiteral("<html><body><p>text of page %1</p></body></html>").arg(i).toUtf8());
            state.urls.append(server.base() + path);
        }
    }
    form.button(QStringLiteral("PushButton3"))->click();
    EXPECT_EQ(state.results.count(), 17);
    EXPECT_EQ(form.findChild<QTreeWidget*>(QStringLiteral("Problems"))->topLevelItemCount(), 3);
    EXPECT_EQ(f.dialogs.texts(), QStringList({QStringLiteral("Done.")}));
}

// On a 1024×700 screen and on 1920×1080 at scale 2 (960×540 for the window): the window opens inside the
// screen with every control in sight, the commands column without scrolling, and every help text and the
// start-up box show their whole text at a readable width. Each screen is its own process: a screen is
// chosen when the application starts.
TEST(MainWindowOnScreens, TheWindowAndEveryMessageFitTheScreen) {
    if (qEnvironmentVariableIsSet("QUARNEL_SCREEN_CHILD")) {
        FakeHost f;
        Form1 form(f.host, f.state);
        form.show();
        QCoreApplication::processEvents();
        const QRect screen = form.screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(form.frameGeometry()))
            << form.frameGeometry().width() << "x" << form.frameGeometry().height();
        auto* commands = form.findChild<QScrollArea*>(QStringLiteral("CommandsArea"));
        // The three columns side by side, none squeezed under another.
        auto* columns = form.findChild<QSplitter*>(QStringLiteral("Columns"));
        for (int i = 0; i < columns->count(); ++i) {
            EXPECT_GE(columns->widget(i)->width(), columns->widget(i)->minimumSizeHint().width())
                << "column " << i;
            if (i > 0) {
                EXPECT_LT(columns->widget(i - 1)->geometry().right(), columns->widget(i)->geometry().left())
                    << "column " << i;
            }
        }
        for (QWidget* control : form.findChildren<QWidget*>()) {
            if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QLineEdit*>(control) &&
                !qobject_cast<QSpinBox*>(control))
                continue;
            if (!control->isVisibleTo(&form) || control->parentWidget()->inherits("QAbstractSpinBox"))
                continue;
            const QRect where(control->mapTo(&form, QPoint()), control->size());
            EXPECT_TRUE(form.rect().contains(where)) << control->objectName().toStdString();
            if (commands->isAncestorOf(control)) {
                EXPECT_TRUE(QRect(commands->viewport()->mapTo(&form, QPoint()), commands->viewport()->size())
                                .contains(where))
                    << control->objectName().toStdString() << " needs scrolling at " << where.bottom()
                    << " of " << commands->viewport()->height();
            }
        }

        // The help texts and the start-up box, each as the user sees it.
        f.dialogs.messages.clear();
        showMainHelp(f.host);
        showLinesByNumberHelp(f.host);
        ExtractBetween::showHelp(f.host);
        ExtractTextSets::showHelp(f.host);
        QStringList texts = f.dialogs.texts();
        ASSERT_EQ(texts.size(), 4);
        texts << QStringLiteral("You must be online to use this software accurately.");
        QString report; // a report taller than any screen: it scrolls inside a box that fits
        for (int i = 0; i < 200; ++i)
            report += QStringLiteral(
                          "Could not load http://example.com/%1: the server answered HTTP 404 Not Found\r")
                          .arg(i);
        texts << report;
        QtDialogs dialogs;
        dialogs.setParent(&form);
        for (const QString& text : std::as_const(texts)) {
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                auto* label = box->findChild<QLabel*>(QStringLiteral("MessageText"));
                auto* scroll = box->findChild<QScrollArea*>(QStringLiteral("MessageScroll"));
                EXPECT_TRUE(screen.contains(box->frameGeometry())) << text.left(40).toStdString();
                // Wrapped, not cut: the label is as tall as its text needs at its width, and no wider than
                // about 60 characters; the box shows all of it unless the screen is too short for it.
                EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                    << text.left(40).toStdString();
                EXPECT_LE(label->width(), 64 * label->fontMetrics().averageCharWidth())
                    << text.left(40).toStdString();
                if (label->height() < screen.height() / 2) {
                    EXPECT_GE(scroll->viewport()->height(), label->height()) << text.left(40).toStdString();
                }
                box->accept();
            });
            dialogs.message(text);
        }
        return;
    }
    for (const auto& [width, height, scale] : {std::tuple{1024, 700, "1"}, std::tuple{1920, 1080, "2"}}) {
        QTemporaryDir dir;
        QFile config(dir.filePath(QStringLiteral("screen.json")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral(R"({"screens": [{"name": "s", "x": 0, "y": 0, "width": %1, "height": %2,
                                        "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                         .arg(width)
                         .arg(height)
                         .toUtf8());
        config.close();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUARNEL_SCREEN_CHILD"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("offscreen:configfile=") + config.fileName());
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QLatin1String(scale));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=MainWindowOnScreens.TheWindowAndEveryMessageFitTheScreen")});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QByteArray output = child.readAll();
        EXPECT_EQ(child.exitCode(), 0) << width << "x" << height << " at scale " << scale << ":\n"
                                       << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    }
}
