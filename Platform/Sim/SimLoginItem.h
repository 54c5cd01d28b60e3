#pragma once

#include "Platform/LoginItem.h"

#include <QStringList>

namespace lumivast {

// The simulated login item: a state, a switch that makes the system refuse
// every change, and the calls made, in order ("enable", "disable").
class SimLoginItem final : public LoginItem {
public:
    bool isEnabled() override { return enabled; }
    std::expected<void, QString> enable() override { return change(QStringLiteral("enable"), true); }
    std::expected<void, QString> disable() override { return change(QStringLiteral("disable"), false); }

    bool enabled = false;
    bool refuses = false;
    QStringList calls;

private:
    std::expected<void, QString> change(const QString& call, bool to)
    {
        calls.append(call);
        if (refuses)
            return std::unexpected(QStringLiteral("the system refused to change the login item"));
        enabled = to;
        return {};
    }
};

} // namespace lumivast
