#include "Platform/QtAudio.h"

#include <QDir>
#include <QFileInfo>
#include <QAudioDevice>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QTextToSpeech>
#include <QUrl>

#include <algorithm>

namespace lumivast {

namespace {

Q_LOGGING_CATEGORY(lcAudio, "lumivast.Audio")

QStringList defaultSoundFolders()
{
    QStringList folders;
    for (const QString& base : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders.append(base + QStringLiteral("/sounds"));
    folders.append(QtSounds::kBuiltInFolder);
    return folders;
}

bool safeName(const QString& name)
{
    // A sound name, never a path.
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") && name != QLatin1String("..");
}

} // namespace

QtSounds::QtSounds() : QtSounds(defaultSoundFolders()) {}

QtSounds::QtSounds(QStringList folders) : m_folders(std::move(folders)) {}

QtSounds::~QtSounds() = default;

QString QtSounds::fileFor(const QString& name) const
{
    if (!safeName(name))
        return {};
    for (const QString& folder : m_folders) {
        const QString path = QDir(folder).filePath(name + QStringLiteral(".wav"));
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

bool QtSounds::play(const QString& name)
{
    const QString path = fileFor(name);
    if (path.isEmpty())
        return false;
    if (QMediaDevices::audioOutputs().isEmpty()) {
        if (!std::exchange(m_loggedNoDevice, true))
            qCInfo(lcAudio) << "no audio output device; switch sounds are silent";
        return true;
    }
    auto& effect = m_effects[name];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        // Compiled-in files are reached through the resource scheme.
        effect->setSource(path.startsWith(QLatin1Char(':')) ? QUrl(QStringLiteral("qrc") + path) : QUrl::fromLocalFile(path));
    }
    effect->stop();
    effect->play();
    return true;
}

QtSpeechSynthesizer::QtSpeechSynthesizer()
{
    if (!QTextToSpeech::availableEngines().isEmpty())
        m_speech = std::make_unique<QTextToSpeech>();
}

QtSpeechSynthesizer::~QtSpeechSynthesizer() = default;

bool QtSpeechSynthesizer::isAvailable() const
{
    return m_speech && m_speech->state() != QTextToSpeech::Error;
}

double QtSpeechSynthesizer::qtRate(float rate)
{
    return std::clamp((double(rate) - double(kDefaultRate)) * 2.0, -1.0, 1.0);
}

void QtSpeechSynthesizer::stopSpeakingImmediately()
{
    if (m_speech)
        m_speech->stop(QTextToSpeech::BoundaryHint::Immediate);
}

void QtSpeechSynthesizer::speak(const QString& text, float rate)
{
    if (!isAvailable()) {
        if (!std::exchange(m_loggedUnavailable, true))
            qCInfo(lcAudio) << "no speech engine; Space names are not spoken";
        return;
    }
    m_speech->setRate(qtRate(rate));
    m_speech->say(text);
}

} // namespace lumivast
