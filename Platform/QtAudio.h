#pragma once

#include "Platform/Audio.h"

#include <QStringList>

#include <map>
#include <memory>

class QSoundEffect;
class QTextToSpeech;

namespace lumivast {

// System sounds played with Qt Multimedia. A sound named "Tink" is the file
// Tink.wav in one of `folders`: by default the "sounds" folders of the
// generic data locations, then the program's own nine switch sounds
// (kBuiltInFolder), so a user's file of the same name wins. Without an audio
// output device playing is silent and logged once.
class QtSounds final : public Sounds {
public:
    // Where the sounds made for the program are compiled in.
    static inline const QString kBuiltInFolder = QStringLiteral(":/sounds");

    QtSounds();
    explicit QtSounds(QStringList folders);
    ~QtSounds() override;

    // The file a name resolves to; empty when there is none.
    QString fileFor(const QString& name) const;

    bool play(const QString& name) override;

private:
    QStringList m_folders;
    std::map<QString, std::unique_ptr<QSoundEffect>> m_effects; // kept so playback outlives play()
    bool m_loggedNoDevice = false;
};

// Speech with Qt TextToSpeech and the default engine (a speech-engine plugin
// such as flite). Without an engine speaking is silent and logged once.
class QtSpeechSynthesizer final : public SpeechSynthesizer {
public:
    QtSpeechSynthesizer();
    ~QtSpeechSynthesizer() override;

    bool isAvailable() const;
    // The system's rate scale (0 to 1, 0.5 normal) on Qt's (-1 to 1, 0 normal).
    static double qtRate(float rate);

    void stopSpeakingImmediately() override;
    void speak(const QString& text, float rate) override;

private:
    std::unique_ptr<QTextToSpeech> m_speech;
    bool m_loggedUnavailable = false;
};

} // namespace lumivast
