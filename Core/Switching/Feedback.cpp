#include "Core/Switching/Feedback.h"

#include "Core/Settings/Settings.h"
#include "Platform/Platform.h"

namespace lumivast {

Feedback::Feedback() : m_speech(Platform::current().makeSpeechSynthesizer()) {}

Feedback::~Feedback() = default;

void Feedback::spaceChanged(const QString& name)
{
    const QString sound = Settings::defaults().string(Settings::Key::switchSound).value_or(QString());
    if (!sound.isEmpty())
        Platform::current().sounds().play(sound); // an unknown name is silence
    if (Settings::defaults().boolValue(Settings::Key::speakSpaceNames) && m_speech) {
        m_speech->stopSpeakingImmediately();
        m_speech->speak(name, kSpeechRate);
    }
}

} // namespace lumivast
