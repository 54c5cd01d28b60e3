#pragma once

#include <QString>

#include <expected>

namespace lumivast {

// Whether the program starts when the user logs in. Every call may fail; the
// failure carries the system's reason. Main thread.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() = 0;
    virtual std::expected<void, QString> enable() = 0;
    virtual std::expected<void, QString> disable() = 0;
};

// The desktop's way: an entry in the user's XDG autostart folder that starts
// this executable.
class AutostartLoginItem final : public LoginItem {
public:
    // `folder` empty: $XDG_CONFIG_HOME/autostart; `command` empty: this executable.
    explicit AutostartLoginItem(QString folder = {}, QString command = {});
    bool isEnabled() override;
    std::expected<void, QString> enable() override;
    std::expected<void, QString> disable() override;
    QString entryPath() const;

private:
    QString m_folder;
    QString m_command;
};

} // namespace lumivast
