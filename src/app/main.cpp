#include "app/keychainsecretstore.h"
#include "base/failure.h"
#include "engine/mainstate.h"
#include "platform/host.h"
#include "platform/qt/posixfilesystem.h"
#include "platform/qt/posixprocessrunner.h"
#include "platform/qt/qsettingsstore.h"
#include "platform/qt/qtclipboard.h"
#include "platform/qt/qtdialogs.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/systemclock.h"
#include "shell/proxysecret.h"
#include "shell/settingskeys.h"
#include "shell/startup.h"
#include "ui/form1.h"
#include "webengine/blockrules.h"
#include "webengine/networklog.h"
#include "wiring/pagebrowser.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>

int main(int argc, char* argv[]) {
    quietToolkitOutput();
    // The proxy is the engine's route for its whole life: it is read before the engine starts.
    QSettingsStore settings;
    std::optional<Requests::Proxy> proxy;
    try {
        if (const QString stored = Settings::read(settings, QStringLiteral("Proxy"), QString());
            !stored.isEmpty())
            proxy = Requests::parseProxy(stored);
    } catch (const Failure&) {
        // Said by the Network dialog when it was given; the pages load without it.
    }
    // The log outlives the application, and with it the engine, which writes its last lines as it ends.
    std::unique_ptr<NetworkLog> log = NetworkLog::start();
    if (!prepareWebEngineEnvironment(proxy, log.get()))
        log.reset();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarnel"));
    QApplication::setOrganizationName(QStringLiteral("Marrowick"));
    // The desktop entry's id: the window is the application that the menu entry started.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.marrowick.Quarnel"));
    if (const QString missing = PageHost::missingParts(); !missing.isEmpty()) {
        const QString line = QStringLiteral("Pages cannot be loaded: ") + missing + QLatin1Char('.');
        QTextStream(stderr) << "quarnel: " << line << '\n';
        QMessageBox::critical(nullptr, QStringLiteral("Quarnel"), line);
        return 1;
    }

    // The proxy's password is the keyring's (one still in the settings file moves there now); the proxy
    // is given it when it asks for a login.
    KeychainSecretStore secrets;
    QString keyringNote;
    const QString startProxy = ProxySecret::atStart(settings, secrets, &keyringNote);
    if (!keyringNote.isEmpty())
        QTextStream(stderr) << "quarnel: the proxy password stays in the settings file: " << keyringNote
                            << '\n';
    try {
        if (proxy && !startProxy.isEmpty()) {
            const Requests::Proxy login = Requests::parseProxy(startProxy);
            PageHost::setProxyLogin(login.user, login.password);
        }
    } catch (const Failure&) {
        // Said by the Network dialog when it was given.
    }

    QtDialogs dialogs;
    QtEventPump pump;
    SystemClock clock;
    MainState state;
    PosixProcessRunner processes;
    QtClipboard clipboard;
    PosixFileSystem files;
    PagesHost wired(pump, clock, state, {dialogs, settings, processes, clipboard, files, &secrets});
    wired.pages.engine.setNetworkLog(log.get());
    // Blocking is on unless the Network dialog turned it off; the lists are read whichever it is, so that
    // turning it on takes effect at the next run.
    QStringList missing;
    wired.pages.engine.setBlockRules(readBlockListsMeanwhile({}, &missing));
    if (!missing.isEmpty())
        QTextStream(stderr) << "quarnel: " << missingBlockLists(missing) << '\n';
    Host& host = wired.host;
    pump.setUnwindCheck([&state] { return state.shouldUnwind(); });

    Form1 form(host, state);
    dialogs.setParent(&form);
    Settings::persistChanges(state, settings);
    loadMainWindow(host, state, form);
    NetworkOptions network = state.network();
    network.proxy = startProxy; // with its password, for this run: the file keeps the address alone
    state.setNetwork(network);
    form.show();
    return QApplication::exec();
}
