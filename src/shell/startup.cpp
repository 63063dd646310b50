#include "shell/startup.h"

#include "base/apptexts.h"
#include "base/failure.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "platform/host.h"
#include "shell/cmdoutput.h"
#include "shell/settingskeys.h"
#include "shell/windowshell.h"
#include "sources/filetolist.h"

#include <QFileInfo>
#include <QTextStream>

namespace {

bool g_toolkitOutput = false;

void toolkitMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg || g_toolkitOutput)
        QTextStream(stderr) << message << '\n';
}

} // namespace

void quietToolkitOutput() {
    g_toolkitOutput = qEnvironmentVariable("QT_LOGGING_RULES").contains(QStringLiteral("=true"));
    qInstallMessageHandler(toolkitMessage);
}

void loadMainWindow(Host& host, MainState& state, WindowShell& window) {
    Procedure p(host.dialogs, QStringLiteral("Form1.Form_Load"));
    SettingsStore& store = host.settings;

    p.run(100, [&] { state.setAppClosing(false); });
    p.run(102, [&] { ConnectivityCheck(host); });

    QString skin;
    p.run(104, [&] { skin = window.applicationFolder() + QStringLiteral("/x/o.cjs"); });
    if (p.test(106, [&] { return QFileInfo(skin).isFile(); })) {
        // A failure anywhere in the skin set-up skips the rest of it.
        p.run(108, [&] {
            window.applyFaceColor();
            window.applySkin(skin);
        });
    }
    QString pointer;
    p.run(110, [&] { pointer = window.applicationFolder() + QStringLiteral("/HAND-M.CUR"); });
    if (p.test(112, [&] { return FileExists(pointer); }))
        p.run(114, [&] { window.loadHoverPointer(pointer); });

    p.run(116, [&] { window.setCaption(AppTexts::productName()); });
    p.run(118, [&] { window.setApplicationIcon(); });
    p.run(120, [&] { window.setUrlColumn(QStringLiteral("URL(s)"), 7000); });
    p.run(122, [&] {
        state.results.removeAllColumns();
        state.results.addColumn(QStringLiteral("Result(s)"));
        state.results.setColumnWidth(1, ResultsList::StartupWidth);
    });

    // Restoring a value fires the control's change handler, which writes the same value back.
    p.run(124, [&] { state.setText1(Settings::read(store, QStringLiteral("Text1"), QString())); });
    p.run(126, [&] { state.setText2(Settings::read(store, QStringLiteral("Text2"), QString())); });
    p.run(128, [&] {
        state.setCheck1(
            Settings::toWholeNumber(Settings::read(store, QStringLiteral("Check1"), QStringLiteral("0"))));
    });
    p.run(130, [&] {
        state.setCheck14(
            Settings::toWholeNumber(Settings::read(store, QStringLiteral("Check14"), QStringLiteral("0"))));
    });
    // An option button that becomes selected unselects its partner, as a click would.
    p.run(132, [&] {
        if (Settings::toTruthValue(Settings::read(store, QStringLiteral("Option1"), QStringLiteral("1"))))
            state.selectOption1();
        else
            state.setOption1(false);
    });
    p.run(134, [&] {
        if (Settings::toTruthValue(Settings::read(store, QStringLiteral("Option2"), QStringLiteral("0"))))
            state.selectOption2();
        else
            state.setOption2(false);
    });

    QStringList entries;
    p.run(136, [&] {
        entries = Settings::splitUrlList(Settings::read(store, QStringLiteral("ListView1"), QString()));
    });
    for (const QString& entry : std::as_const(entries))
        p.run(138, [&] { state.urls.append(entry); });
    p.run(140, [&] {
        state.setPageTimeout(
            Settings::toSeconds(Settings::read(store, QStringLiteral("PageTimeout"), QStringLiteral("60"))));
    });
    p.run(141, [&] {
        state.setSettleSeconds(Settings::toSettleSeconds(Settings::read(
            store, QStringLiteral("SettleTimeout"), QString::number(MainState::DefaultSettleSeconds))));
        state.setScrollViews(Settings::toScrollViews(Settings::read(
            store, QStringLiteral("ScrollViews"), QString::number(MainState::DefaultScrollViews))));
    });
    p.run(142, [&] {
        state.setPagesAtOnce(Settings::toPages(Settings::read(
            store, QStringLiteral("PagesAtOnce"), QString::number(MainState::DefaultPagesAtOnce))));
    });
    p.run(143, [&] { state.setNetwork(Settings::readNetwork(store)); });
}

void closeMainWindow(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.Form_QueryUnload"));
    state.setAppClosing(true);
    state.setUnloading(true);
    p.run(102, [&] { host.pump.processPendingEvents(); });
    p.run(104, [&] { host.pump.processPendingEvents(); });
    p.run(106, [&] {
        Settings::write(host.settings, QStringLiteral("ListView1"),
                        Settings::joinUrlList(state.urls.entries()));
    });
    p.run(108, [&] { host.pump.processPendingEvents(); });
    state.setUnloading(false);
}

void showMainHelp(Host& host) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton21_Click"));
    const QChar q(u'"');
    const QStringList paragraphs = {
        QStringLiteral("This software uses automation with Internet Explorer to quickly extract data from "
                       "your web sites."),
        QStringLiteral("For this software to run optimally, you may need to tweak Internet Explorer and "
                       "change some settings."),
        QStringLiteral("For example, it may be neccessary to disable ") + q +
            QStringLiteral("Active Scripting") + q +
            QStringLiteral(
                " in Internet Explorer, otherwise a messages that the website could not be opened will "
                "interupt automatic downloading. To disable, Internet Explorer > Tools menu > Internet "
                "Options > Security"),
        QStringLiteral(
            "Also, an error message such as 'An error has occurred in the script' may show. To disable, you "
            "need to go to Tools > Internet Options > Advanced > Disable Script Debugging"),
        QStringLiteral(
            "These are some sample problems and solutions but the best way to solve a error message "
            "associated with this software is to do a Google search of the exact words of the error "
            "message and look to see what tweaks you need to make to Internet Explorer."),
        QStringLiteral("Questions? Please contact Team Marrowick at https://www.example.com/contact"),
    };
    p.run(100, [&] { host.dialogs.message(paragraphs.join(QStringLiteral("\r\r"))); });
}
