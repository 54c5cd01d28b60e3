#pragma once

#include <QString>

#include <memory>

namespace lumivast {

// System sounds by name ("Tink", "Pop", ...).
class Sounds {
public:
    virtual ~Sounds() = default;
    // Starts playing and returns at once; false when the name resolves to no sound.
    virtual bool play(const QString& name) = 0;
};

// One speech synthesizer: a new utterance does not cut off the previous one
// unless the caller stops it first.
class SpeechSynthesizer {
public:
    // Utterance rates on the system's scale: 0 slowest, 0.5 default, 1 fastest.
    static constexpr float kMinimumRate = 0.0f;
    static constexpr float kDefaultRate = 0.5f;
    static constexpr float kMaximumRate = 1.0f;

    virtual ~SpeechSynthesizer() = default;
    virtual void stopSpeakingImmediately() = 0;
    // Queues the text with the system's default voice; returns at once.
    virtual void speak(const QString& text, float rate) = 0;
};

} // namespace lumivast
