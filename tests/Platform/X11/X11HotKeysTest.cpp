// Global hot keys as key grabs on the real desktop.
#include "tests/Platform/X11/XServerFixture.h"

#include <gtest/gtest.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

using namespace lumivast;
using namespace lumivast::test::x11;

namespace {

constexpr quint32 kKeyK = 40;  // virtual key code of "k"
constexpr quint32 kKeyF6 = 97;

// What the real desktop logs under its own category while a case runs.
QStringList g_x11Log;
void captureX11Log(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QLatin1String(context.category) == QLatin1String("lumivast.x11"))
        g_x11Log << message;
}

class X11HotKeysTest : public SharedDesktopTest {
protected:
    xcb_keycode_t keycode(std::uint32_t keysym)
    {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(client->get());
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        return code;
    }
    void fake(xcb_keycode_t key, bool down)
    {
        xcb_test_fake_input(client->get(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }

};

TEST_F(X11HotKeysTest, APressReachesTheHandlerWhateverTheLockState)
{
    HotKeyRegistry& keys = Platform::current().hotKeys();
    std::vector<quint32> pressed;
    ASSERT_TRUE(keys.installHandler([&](std::optional<HotKeyID> id) {
        pressed.push_back(id ? id->id : 0);
        return HotKeyEventResult::handled;
    }));
    const auto ref = keys.registerHotKey(kKeyK, HotKeyModifier::control | HotKeyModifier::shift, HotKeyID{fourCharCode("LVTK"), 7});
    ASSERT_TRUE(ref.has_value());

    const xcb_keycode_t control = keycode(0xffe3), shift = keycode(0xffe1), k = keycode('k'), capsLock = keycode(0xffe5);
    for (bool locked : {false, true}) {
        if (locked) {
            fake(capsLock, true);
            fake(capsLock, false);
        }
        fake(control, true);
        fake(shift, true);
        fake(k, true);
        fake(k, false);
        fake(shift, false);
        fake(control, false);
        xcb_flush(client->get());
        const std::size_t expected = locked ? 2 : 1;
        EXPECT_TRUE(client->waitUntil([&] {
            scheduler.advance(0ms);
            return pressed.size() == expected;
        })) << "caps lock " << locked;
    }
    fake(capsLock, true);
    fake(capsLock, false);
    xcb_flush(client->get());
    EXPECT_EQ(pressed, (std::vector<quint32>{7, 7}));
    EXPECT_TRUE(keys.unregisterHotKey(*ref));
    EXPECT_FALSE(keys.unregisterHotKey(*ref));
}

TEST_F(X11HotKeysTest, AnotherClientsGrabIsTakenAndAKeyWithoutKeysymIsInvalid)
{
    const xcb_keycode_t f6 = keycode(0xffc3);
    xcb_grab_key(client->get(), 1, client->root(), XCB_MOD_MASK_CONTROL, f6, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_flush(client->get());
    // A round trip: the grab is in place before the registry asks for the same.
    std::free(xcb_get_input_focus_reply(client->get(), xcb_get_input_focus(client->get()), nullptr));

    HotKeyRegistry& keys = Platform::current().hotKeys();
    g_x11Log.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureX11Log);
    const auto taken = keys.registerHotKey(kKeyF6, HotKeyModifier::control, HotKeyID{1, 1});
    qInstallMessageHandler(previous);
    ASSERT_FALSE(taken.has_value());
    EXPECT_EQ(taken.error(), HotKeyError::alreadyTaken);
    // The refusal is told, once, under the real desktop's category.
    ASSERT_EQ(g_x11Log.size(), 1) << g_x11Log.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(g_x11Log[0].contains(QStringLiteral("refused the grab of key %1").arg(int(f6)))) << g_x11Log[0].toStdString();
    EXPECT_TRUE(g_x11Log[0].contains(QLatin1String("another client holds it"))) << g_x11Log[0].toStdString();
    // Nothing of a refused registration stays grabbed: the same key with Shift is free.
    EXPECT_TRUE(keys.registerHotKey(kKeyF6, HotKeyModifier::shift, HotKeyID{1, 2}).has_value());

    const auto invalid = keys.registerHotKey(0xFFF0, 0, HotKeyID{1, 3});
    ASSERT_FALSE(invalid.has_value());
    EXPECT_EQ(invalid.error(), HotKeyError::invalid);
    xcb_ungrab_key(client->get(), f6, client->root(), XCB_MOD_MASK_CONTROL);
    xcb_flush(client->get());
}

} // namespace
