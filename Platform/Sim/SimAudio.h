#pragma once

#include "Platform/Audio.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace lumivast {

// Sounds and speech that only record what they were asked to do. Speech
// never ends by itself: an utterance is cut off by a stop, or ends when a
// test calls finishSpeaking().
class SimAudio final : public Sounds {
public:
    struct Utterance {
        int synthesizer = 0; // which synthesizer spoke it, counted from 1
        QString text;
        float rate = 0;
        bool cutOff = false;
        bool finished = false;
    };
    struct Record {
        QStringList played;
        std::vector<Utterance> utterances;
        int stops = 0;
        int synthesizers = 0;
    };

    SimAudio();

    // The system sounds that exist.
    QStringList availableSounds;

    const QStringList& played() const { return m_record->played; }
    const std::vector<Utterance>& utterances() const { return m_record->utterances; }
    int stops() const { return m_record->stops; }
    // Every utterance still being spoken is heard to its end.
    void finishSpeaking();

    std::unique_ptr<SpeechSynthesizer> makeSynthesizer();

    // ---- Sounds ----
    bool play(const QString& name) override;

private:
    std::shared_ptr<Record> m_record;
};

} // namespace lumivast
