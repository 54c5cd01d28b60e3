#pragma once

#include "Platform/Audio.h"

#include <QString>

#include <memory>

namespace lumivast {

// Audible feedback after a change of the active Space: the sound chosen in
// "switchSound" and, with "speakSpaceNames", the Space's name spoken. Both
// settings are read on every call. Main thread only.
class Feedback final {
public:
    static constexpr float kSpeechRate = 0.52f;

    Feedback();
    ~Feedback();
    Feedback(const Feedback&) = delete;
    Feedback& operator=(const Feedback&) = delete;

    // A new name cuts off the one still being spoken.
    void spaceChanged(const QString& name);

private:
    std::unique_ptr<SpeechSynthesizer> m_speech;
};

} // namespace lumivast
