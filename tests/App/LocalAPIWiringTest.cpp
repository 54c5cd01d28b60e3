#include "App/AppDelegate.h"
#include "Core/Settings/Settings.h"
#include "tests/support/FakeAlertService.h"
#include "tests/support/FakeStatusItem.h"
#include "tests/support/HudReading.h"
#include "tests/support/SimWorldTest.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumivast;

namespace {

// Log lines of one category while the capture lives.
class LogCapture {
public:
    LogCapture() { s_lines.clear(), m_previous = qInstallMessageHandler(&LogCapture::record); }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    static QStringList& lines() { return s_lines; }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        s_lines.append(QString::number(int(type)) + QLatin1Char(' ') + QLatin1String(context.category)
                       + QLatin1Char(' ') + message);
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

class LocalAPIWiringTest : public test::SimWorldTest {
protected:
    void launch(quint16 port = 0)
    {
        delegate = std::make_unique<AppDelegate>(scheduler, alerts, statusItem, QStringList{QStringLiteral("lumivast")},
                                                 nullptr, port);
        delegate->applicationDidFinishLaunching();
        scheduler.advance(500ms);
    }

    // The whole answer, or nothing when the connection was refused.
    QByteArray request(const QByteArray& text, quint16 port)
    {
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, port);
        if (!client.waitForConnected(5000))
            return {};
        QByteArray received;
        QObject::connect(&client, &QTcpSocket::readyRead, [&] { received += client.readAll(); });
        client.write(text);
        EXPECT_TRUE(QTest::qWaitFor([&] { return client.state() == QAbstractSocket::UnconnectedState; }, 5000));
        return received + client.readAll();
    }

    QByteArray switchTo3() const
    {
        return "POST /command?url=lumivast%3A%2F%2Fswitch%2F3 HTTP/1.1\r\nHost: 127.0.0.1:57301\r\n"
               "Authorization: Bearer "
            + LocalAPI::token().toUtf8() + "\r\n\r\n";
    }

    int currentDesktop() { return delegate->watcher().snapshot().currentSpace()->desktopNumber.value_or(0); }

    test::FakeAlertService alerts;
    test::FakeStatusItem statusItem;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace

TEST_F(LocalAPIWiringTest, ListenerFollowsTheSettingAndCommandsReachTheDispatcher)
{
    launch();
    LocalAPI& api = delegate->localAPI();
    EXPECT_FALSE(api.isListening()); // off by default

    Settings::defaults().set(Settings::Key::localAPI, true);
    ASSERT_TRUE(api.isListening());
    const quint16 port = api.serverPort();
    EXPECT_TRUE(request("GET /spaces HTTP/1.1\r\n\r\n", port).startsWith("HTTP/1.1 200 OK\r\n"));
    const QString token = LocalAPI::token();
    EXPECT_TRUE(request(switchTo3(), port).endsWith(R"({"ok":true})"));
    scheduler.advance(1s);
    EXPECT_EQ(currentDesktop(), 3);
    EXPECT_EQ(test::lastHudTitle(delegate->hud()), QStringLiteral("Desktop 3"));

    // An unknown command is refused without a toast.
    const QString before = test::lastHudTitle(delegate->hud());
    EXPECT_TRUE(request("POST /command?url=lumivast://frobnicate HTTP/1.1\r\nAuthorization: Bearer " + token.toUtf8()
                            + "\r\n\r\n",
                        port)
                    .endsWith(R"({"error":"unknown command"})"));
    EXPECT_EQ(test::lastHudTitle(delegate->hud()), before);

    Settings::defaults().set(Settings::Key::localAPI, false);
    EXPECT_FALSE(api.isListening());
    EXPECT_EQ(request("GET /spaces HTTP/1.1\r\n\r\n", port), QByteArray());

    Settings::defaults().set(Settings::Key::localAPI, true);
    ASSERT_TRUE(api.isListening());
    EXPECT_EQ(LocalAPI::token(), token);
    delegate->commands().perform(SpaceCommand::switchTo(SpaceCommand::SpaceRef::number(1)));
    scheduler.advance(1s);
    EXPECT_TRUE(request(switchTo3(), api.serverPort()).endsWith(R"({"ok":true})"));
    scheduler.advance(1s);
    EXPECT_EQ(currentDesktop(), 3);
}

TEST_F(LocalAPIWiringTest, BusyPortIsLoggedAndTriedAgainAtTheNextSettingsChange)
{
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::LocalHost, 0));
    const quint16 port = squatter.serverPort();
    Settings::registerDefaults();
    Settings::defaults().set(Settings::Key::localAPI, true);
    Settings::defaults().set(Settings::Key::didShowOnboarding, true); // its own settings change would retry at once
    LogCapture log;
    launch(port);
    EXPECT_FALSE(delegate->localAPI().isListening());
    const QString expected = QStringLiteral("%1 lumivast.LocalAPI could not open port %2").arg(int(QtCriticalMsg)).arg(port);
    EXPECT_EQ(LogCapture::lines().count(expected), 1) << LogCapture::lines().join(QLatin1Char('\n')).toStdString();

    squatter.close();
    Settings::defaults().set(Settings::Key::hudEnabled, false); // any change
    ASSERT_TRUE(delegate->localAPI().isListening());
    EXPECT_EQ(delegate->localAPI().serverPort(), port);
}

TEST_F(LocalAPIWiringTest, ARenameWithoutANameRepliesAtOnceAndItsDialogAnswersAfterTheClientWent)
{
    launch();
    Settings::defaults().set(Settings::Key::localAPI, true);
    LocalAPI& api = delegate->localAPI();
    ASSERT_TRUE(api.isListening());
    alerts.holding = true;
    const QByteArray rename = "POST /command?url=lumivast%3A%2F%2Frename%2F2 HTTP/1.1\r\nAuthorization: Bearer "
        + LocalAPI::token().toUtf8() + "\r\n\r\n";
    // The reply does not wait for the dialog, and the client goes while it is up.
    EXPECT_TRUE(request(rename, api.serverPort()).endsWith(R"({"ok":true})"));
    ASSERT_EQ(alerts.held.size(), 1u);
    EXPECT_EQ(alerts.held.front().first.messageText, QStringLiteral("Rename Space"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return api.connectionCount() == 0; }, 5000));

    alerts.answers = {AlertAnswer{0, QStringLiteral("Mail"), false}};
    EXPECT_EQ(alerts.answerHeld(), 1u);
    const std::vector<Space> spaces = delegate->watcher().snapshot().allSpaces();
    const auto second = std::find_if(spaces.begin(), spaces.end(), [](const Space& s) { return s.desktopNumber == 2; });
    ASSERT_NE(second, spaces.end());
    EXPECT_EQ(delegate->store().displayName(*second), QStringLiteral("Mail"));
    EXPECT_TRUE(request("GET /spaces HTTP/1.1\r\n\r\n", api.serverPort()).startsWith("HTTP/1.1 200 OK\r\n"));
}
