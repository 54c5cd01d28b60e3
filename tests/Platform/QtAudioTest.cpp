#include "Platform/QtAudio.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumivast;

TEST(QtAudioTest, SoundsResolveByNameOnly)
{
    QTemporaryDir first, second;
    QFile(second.filePath("Tink.wav")).open(QIODevice::WriteOnly);
    QFile(first.filePath("Pop.wav")).open(QIODevice::WriteOnly);
    QFile(second.filePath("Pop.wav")).open(QIODevice::WriteOnly);
    QtSounds sounds({first.path(), second.path()});

    EXPECT_EQ(sounds.fileFor("Tink"), second.filePath("Tink.wav"));
    EXPECT_EQ(sounds.fileFor("Pop"), first.filePath("Pop.wav")); // the first folder wins
    EXPECT_EQ(sounds.fileFor("Frog"), QString());
    EXPECT_EQ(sounds.fileFor("../Tink"), QString());
    EXPECT_EQ(sounds.fileFor(second.filePath("Tink")), QString());
    EXPECT_FALSE(sounds.play("Frog"));
    EXPECT_FALSE(sounds.play(""));
}

TEST(QtAudioTest, SpeechRatesMapOntoQtsScale)
{
    EXPECT_DOUBLE_EQ(QtSpeechSynthesizer::qtRate(SpeechSynthesizer::kDefaultRate), 0.0);
    EXPECT_NEAR(QtSpeechSynthesizer::qtRate(0.52f), 0.04, 1e-6);
    EXPECT_DOUBLE_EQ(QtSpeechSynthesizer::qtRate(SpeechSynthesizer::kMaximumRate), 1.0);
    EXPECT_DOUBLE_EQ(QtSpeechSynthesizer::qtRate(SpeechSynthesizer::kMinimumRate), -1.0);
    EXPECT_DOUBLE_EQ(QtSpeechSynthesizer::qtRate(3.0f), 1.0);
}

TEST(QtAudioTest, TheNineSwitchSoundsAreBuiltInAndAUsersFileWins)
{
    QTemporaryDir user;
    QFile(user.filePath("Glass.wav")).open(QIODevice::WriteOnly);
    QtSounds sounds({user.path(), QtSounds::kBuiltInFolder});

    for (const char* name : {"Tink", "Pop", "Bottle", "Frog", "Morse", "Purr", "Submarine", "Hero"}) {
        SCOPED_TRACE(name);
        const QString path = sounds.fileFor(QString::fromLatin1(name));
        ASSERT_EQ(path, QtSounds::kBuiltInFolder + "/" + name + ".wav");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(44);
        EXPECT_TRUE(head.startsWith("RIFF") && head.mid(8, 4) == "WAVE");
        EXPECT_LT(file.size(), 64 * 1024); // short sounds
    }
    EXPECT_EQ(sounds.fileFor("Glass"), user.filePath("Glass.wav"));
    EXPECT_EQ(sounds.fileFor("Basso"), QString()); // only the nine are made for the program
    EXPECT_TRUE(QtSounds().fileFor("Hero").endsWith("/Hero.wav"));
}
