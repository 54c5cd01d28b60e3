#include "Core/Switching/Feedback.h"

#include "Core/Settings/Settings.h"
#include "Platform/Sim/SimAudio.h"
#include "tests/support/SimWorldTest.h"

using namespace lumivast;
using lumivast::test::SimWorldTest;

namespace {

class FeedbackTest : public SimWorldTest {
protected:
    void settings(const QString& sound, bool speak)
    {
        home.defaults().set(Settings::Key::switchSound, sound);
        home.defaults().set(Settings::Key::speakSpaceNames, speak);
    }
    SimAudio& audio() { return world->audio(); }
};

TEST_F(FeedbackTest, NothingWhenBothAreOff)
{
    Feedback feedback;
    feedback.spaceChanged(QStringLiteral("Mail")); // registered defaults absent: off
    settings(QString(), false);
    feedback.spaceChanged(QStringLiteral("Mail"));
    EXPECT_TRUE(audio().played().isEmpty());
    EXPECT_TRUE(audio().utterances().empty());
    EXPECT_EQ(audio().stops(), 0);
}

TEST_F(FeedbackTest, PlaysTheChosenSoundAndSpeaksTheName)
{
    Feedback feedback;
    struct Case {
        const char* sound;
        bool speak;
        QStringList played;
        bool spoken;
    };
    const Case cases[] = {
        {"Tink", true, {"Tink"}, true},
        {"Glass", false, {"Glass"}, false},
        {"", true, {}, true},
        {"NoSuchSound", true, {}, true}, // silence, and the name is still spoken
    };
    for (const Case& c : cases) {
        const qsizetype playedBefore = audio().played().size();
        const std::size_t spokenBefore = audio().utterances().size();
        settings(QString::fromLatin1(c.sound), c.speak);
        feedback.spaceChanged(QStringLiteral("Desktop 2"));
        EXPECT_EQ(audio().played().mid(playedBefore), c.played) << c.sound;
        ASSERT_EQ(audio().utterances().size(), spokenBefore + (c.spoken ? 1 : 0)) << c.sound;
        if (c.spoken) {
            const SimAudio::Utterance& u = audio().utterances().back();
            EXPECT_EQ(u.text, "Desktop 2");
            EXPECT_EQ(u.rate, 0.52f);
        }
    }
}

TEST_F(FeedbackTest, ANewNameCutsOffThePreviousOne)
{
    settings(QString(), true);
    Feedback feedback;
    feedback.spaceChanged(QStringLiteral("Mail"));
    feedback.spaceChanged(QStringLiteral("Code"));
    audio().finishSpeaking();
    ASSERT_EQ(audio().utterances().size(), 2u);
    EXPECT_TRUE(audio().utterances()[0].cutOff);
    EXPECT_FALSE(audio().utterances()[0].finished);
    EXPECT_FALSE(audio().utterances()[1].cutOff);
    EXPECT_TRUE(audio().utterances()[1].finished);

    // Another instance (the settings window's) speaks with a synthesizer of its own.
    Feedback other;
    other.spaceChanged(QStringLiteral("Notes"));
    EXPECT_NE(audio().utterances()[2].synthesizer, audio().utterances()[1].synthesizer);
}

} // namespace
