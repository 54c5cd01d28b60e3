#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

namespace lumivast {

// A user-defaults domain: values keep their JSON type, registered defaults are
// held apart from stored values (and never written), and every change of a
// value a reader would see emits `changed(key)`. A store with a file persists
// as one JSON object, written atomically after each change.
class UserDefaults final : public QObject {
    Q_OBJECT
public:
    // `filePath` empty: kept in memory only.
    explicit UserDefaults(QString domain, QString filePath = {}, QObject* parent = nullptr);
    ~UserDefaults() override;

    const QString& domain() const { return m_domain; }
    const QString& filePath() const { return m_filePath; }

    // The program's own domain. Tests install their own with setStandard().
    static UserDefaults& standard();
    static void setStandard(UserDefaults* defaults);
    // Another application's domain, one shared store per name.
    static UserDefaults& domainNamed(const QString& name);
    static void resetDomains();
    // The folder that holds the defaults files (XDG config location).
    static QString configFolder();

    void registerDefaults(const QJsonObject& values);

    // Stored value, else registered default, else nothing.
    std::optional<QJsonValue> object(const QString& key) const;
    bool hasStoredValue(const QString& key) const { return m_stored.contains(key); }
    QJsonObject storedValues() const { return m_stored; }

    // Typed reads with the usual conversions; a missing value reads as false / 0 / nothing.
    bool boolValue(const QString& key) const;
    qint64 integerValue(const QString& key) const;
    double doubleValue(const QString& key) const;
    // Text only: a value that is not text gives nothing.
    std::optional<QString> string(const QString& key) const;
    // A list of texts; nothing when the value is not a list of texts.
    std::optional<QStringList> stringList(const QString& key) const;
    std::optional<QJsonObject> dictionary(const QString& key) const;

    void set(const QString& key, const QJsonValue& value);
    void remove(const QString& key);
    // Like set(), but the file is written later: by saveUnsaved(), or with the
    // next write of any key. For values that change in bursts.
    void setUnsaved(const QString& key, const QJsonValue& value);
    // Writes what setUnsaved() left in memory only.
    void saveUnsaved();

    // Reads the file again (another process may have written it).
    void reload();

signals:
    void changed(const QString& key);

private:
    void load();
    void save() const;
    void emitIfChanged(const QString& key, const std::optional<QJsonValue>& before);

    QString m_domain;
    QString m_filePath;
    QJsonObject m_registered;
    QJsonObject m_stored;
    mutable bool m_unsaved = false;
};

} // namespace lumivast
