// The real browser engine, with pages from local files and from a server on 127.0.0.1.
#include "engine/modes/alllines.h"
#include "engine/modes/linefilters.h"
#include "engine/retrieval.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakefilesystem.h"
#include "fakes/fakesettings.h"
#include "platform/host.h"
#include "platform/qt/qteventpump.h"
#include "platform/qt/systemclock.h"
#include "platform/qt/webenginebrowser.h"
#include "support/localhttpserver.h"
#include "engine/mainstate.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray ScriptedPage = "<!DOCTYPE html>\n<html><head><title>t</title></head><body>\n"
                                "<p>Static line</p>\n<div style=\"display:none\">Hidden text</div>\n"
                                "<script>document.write('<p>Written by script</p>');</script>\n"
                                "</body></html>\n";

class RealBrowser : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new LocalHttpServer;
        ASSERT_TRUE(server->start());
        server->setPage(QStringLiteral("/page.html"), ScriptedPage);
        const QByteArray binary("\x00\x01\xff\xfe binary \x00 bytes", 19);
        server->setPage(QStringLiteral("/binary"), binary, "application/octet-stream");
        server->setPage(QStringLiteral("/binary.html"), binary);
        server->setPage(QStringLiteral("/alert.html"),
                        "<html><body><script>alert('x'); confirm('y'); prompt('z');"
                        "window.open('http://127.0.0.1:1/');</script><p>after dialogs</p></body></html>");
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    QString get(const QString& entry) { return GetWebBrowserText(host, state, entry); }
    void renderedText()
    {
        state.setOption1(false);
        state.setOption2(true);
    }

    static LocalHttpServer* server;
    FakeDialogs dialogs;
    QtEventPump pump;
    SystemClock clock;
    WebEngineBrowser browser{pump, clock};
    FakeSettings settings;
    FakeProcessRunner processes;
    FakeClipboard clipboard;
    FakeFileSystem files;
    Host host{browser, dialogs, pump, clock, settings, processes, clipboard, files};
    MainState state;
};
LocalHttpServer* RealBrowser::server = nullptr;

} // namespace

TEST_F(RealBrowser, MarkupAndRenderedTextOfAServedPageFromABareHostAddress)
{
    const QString entry = server->base() + QStringLiteral("/page.html");
    const QString html = get(entry);
    EXPECT_TRUE(html.startsWith(QStringLiteral("<html><head><title>t</title></head><body>\r\n<p>Static line</p>")))
        << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("Hidden text")));
    EXPECT_FALSE(html.contains(QStringLiteral("DOCTYPE")));
    EXPECT_FALSE(html.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));

    renderedText();
    const QString text = get(entry);
    EXPECT_TRUE(text.contains(QStringLiteral("Static line")));
    EXPECT_TRUE(text.contains(QStringLiteral("Written by script")));
    EXPECT_FALSE(text.contains(QStringLiteral("Hidden text")));
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n")));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(RealBrowser, LocalFilesAndAddressesWithAScheme)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("local page.html")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body><p>From a local file</p></body></html>");
    file.close();
    renderedText();
    EXPECT_EQ(get(file.fileName()), QStringLiteral("From a local file"));
    EXPECT_EQ(get(QStringLiteral("http://") + server->base() + QStringLiteral("/page.html")).count(
                  QStringLiteral("Static line")),
              1);
}

TEST_F(RealBrowser, UnloadablePagesGiveOneReportAndNoText)
{
    // Something that listened once and is gone: its port refuses connections.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();

    get(server->base() + QStringLiteral("/page.html")); // a page before must not leak into the next
    EXPECT_EQ(get(QStringLiteral("127.0.0.1:%1/x.html").arg(port)), QString());
    EXPECT_EQ(get(QStringLiteral("/no/such/file.html")), QString());
    const auto reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 2);
    for (const auto& report : reports)
        EXPECT_TRUE(report.text.contains(QStringLiteral("in Vantrel2021/08/31.Extract1.GetWebBrowserText at line 100")))
            << report.text.toStdString();
    EXPECT_TRUE(reports[0].text.startsWith(QStringLiteral("Could not load 127.0.0.1:%1/x.html: ").arg(port)));
}

TEST_F(RealBrowser, DocumentWithoutBodyAndOddContentDoNotStopAnything)
{
    QTemporaryDir dir;
    QFile svg(dir.filePath(QStringLiteral("image.svg")));
    ASSERT_TRUE(svg.open(QIODevice::WriteOnly));
    svg.write("<svg xmlns=\"http://www.w3.org/2000/svg\"><text>no body here</text></svg>");
    svg.close();
    renderedText();
    EXPECT_EQ(get(svg.fileName()), QString());
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains(QStringLiteral("at line 126")));

    // Dialogs and pop-ups of a page are refused without blocking; binary bytes give whatever renders.
    EXPECT_EQ(get(server->base() + QStringLiteral("/alert.html")), QStringLiteral("after dialogs"));
    state.setOption1(true);
    state.setOption2(false);
    EXPECT_FALSE(get(server->base() + QStringLiteral("/binary.html")).isEmpty());
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(get(server->base() + QStringLiteral("/binary")), QString());
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[1].text.startsWith(QStringLiteral("Could not load ") + server->base()));
    EXPECT_TRUE(dialogs.messages[1].text.contains(QStringLiteral("Extract1.GetWebBrowserText at line 100")));
}

TEST_F(RealBrowser, AWholeRunGoesOnAfterARefusedPortAndEndsWithDone)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    renderedText();
    state.setCheck14(1);
    state.urls.append(QStringLiteral("127.0.0.1:%1/").arg(port));
    state.urls.append(server->base() + QStringLiteral("/page.html"));
    PushButton3_Click(host, state);

    EXPECT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_EQ(dialogs.messages.last().text, QStringLiteral("Done."));
    QStringList texts;
    for (qsizetype i = 1; i <= state.results.count(); ++i)
        texts << *state.results.at(i).second;
    EXPECT_TRUE(texts.contains(QStringLiteral("Written by script")));
    EXPECT_EQ(state.results.at(1).first, server->base() + QStringLiteral("/page.html"));
}

TEST_F(RealBrowser, AnAttributeNameMatchesMarkupButNotRenderedText)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("attrs.html")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body>\n<a href=\"x.html\">first link</a>\n<p>plain words</p>\n"
               "<a href=\"y.html\">second</a>\n</body></html>");
    file.close();
    state.setCheck1(1);
    state.setText1(QStringLiteral("HREF"));
    state.urls.append(file.fileName());
    PushButton2_Click(host, state);
    EXPECT_EQ(state.results.count(), 2);
    state.results.clear();
    renderedText();
    PushButton2_Click(host, state);
    EXPECT_EQ(state.results.count(), 0);
}
