#include "Platform/Sim/SimAudio.h"

namespace lumivast {

namespace {

class SimSynthesizer final : public SpeechSynthesizer {
public:
    SimSynthesizer(std::shared_ptr<SimAudio::Record> record, int number) : m_record(std::move(record)), m_number(number) {}

    void stopSpeakingImmediately() override
    {
        ++m_record->stops;
        for (SimAudio::Utterance& u : m_record->utterances) {
            if (u.synthesizer == m_number && !u.finished && !u.cutOff)
                u.cutOff = true;
        }
    }
    void speak(const QString& text, float rate) override
    {
        m_record->utterances.push_back({m_number, text, rate, false, false});
    }

private:
    std::shared_ptr<SimAudio::Record> m_record;
    int m_number;
};

} // namespace

SimAudio::SimAudio()
    : availableSounds({QStringLiteral("Tink"), QStringLiteral("Pop"), QStringLiteral("Bottle"), QStringLiteral("Frog"),
                       QStringLiteral("Morse"), QStringLiteral("Purr"), QStringLiteral("Submarine"), QStringLiteral("Glass"),
                       QStringLiteral("Hero"), QStringLiteral("Basso"), QStringLiteral("Blow"), QStringLiteral("Funk"),
                       QStringLiteral("Ping"), QStringLiteral("Sosumi")})
    , m_record(std::make_shared<Record>())
{
}

void SimAudio::finishSpeaking()
{
    for (Utterance& u : m_record->utterances) {
        if (!u.cutOff)
            u.finished = true;
    }
}

std::unique_ptr<SpeechSynthesizer> SimAudio::makeSynthesizer()
{
    return std::make_unique<SimSynthesizer>(m_record, ++m_record->synthesizers);
}

bool SimAudio::play(const QString& name)
{
    if (!availableSounds.contains(name))
        return false;
    m_record->played.append(name);
    return true;
}

} // namespace lumivast
