#include "engine/mainstate.h"
#include "platform/host.h"
#include "platform/qt/qtdialogs.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/systemclock.h"
#include "platform/qt/webenginebrowser.h"
#include "ui/form1.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarnel"));
    QApplication::setOrganizationName(QStringLiteral("Marrowick"));

    QtDialogs dialogs;
    QtEventPump pump;
    SystemClock clock;
    WebEngineBrowser browser(pump, clock);
    Host host{browser, dialogs, pump, clock};
    MainState state;

    Form1 form(host, state);
    dialogs.setParent(&form);
    pump.setUnwindCheck([&form] { return form.isClosing(); });
    form.show();
    return QApplication::exec();
}
