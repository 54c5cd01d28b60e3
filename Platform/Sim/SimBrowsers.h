#pragma once

#include "Platform/Scripts.h"

#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace lumivast {

class SimWorld;

// Scripts sent to the simulated applications. Only the tab question is
// understood: "tell application <name or id> to get URL of every tab of
// front window", with the application named by a string literal. The world's
// browsers answer it from their front window's tabs.
class SimScripts final : public ScriptRunner {
public:
    // How a browser shapes its answer.
    enum class Answer {
        list,    // a list with one item per tab
        text,    // a single text: the first tab's address
        nothing, // no value at all
    };
    struct Browser {
        // The front window's tabs; a tab without an address is an item with no
        // text. None: the browser has no window open.
        std::optional<std::vector<std::optional<QString>>> tabs;
        Answer answer = Answer::list;
    };

    explicit SimScripts(SimWorld& world) : m_world(world) {}

    std::optional<ScriptValue> run(const QString& source) override;

    // By the browser's pid; an application not listed here does not understand tabs.
    std::map<std::int32_t, Browser> browsers;
    // Every script run, verbatim, in order.
    QStringList log;

    // The application a tell block addresses, read from its string literal;
    // nothing when the text is not a complete tab question.
    struct Addressee {
        QString text;
        bool byID = false;
        bool operator==(const Addressee&) const = default;
    };
    static std::optional<Addressee> parseTabQuestion(const QString& source);

private:
    SimWorld& m_world;
};

} // namespace lumivast
