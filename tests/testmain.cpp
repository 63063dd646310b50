#include <gtest/gtest.h>

#ifdef QUARNEL_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif
#ifdef QUARNEL_TEST_WEBENGINE
#include "webengine/webenginebrowser.h"
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef QUARNEL_TEST_WEBENGINE
    prepareWebEngineEnvironment();
#endif
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
