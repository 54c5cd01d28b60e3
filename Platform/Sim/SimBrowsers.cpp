// Browsers of the simulated system: their tabs, as scripts read them.
#include "Platform/Sim/SimBrowsers.h"

#include "Platform/Sim/SimWorld.h"

#include <QJsonArray>
#include <QJsonObject>

namespace lumivast {

namespace {

const QString kTell = QStringLiteral("tell application ");
const QString kByID = QStringLiteral("id ");
const QString kQuestion = QStringLiteral(" to get URL of every tab of front window");

// A string literal at `pos` (an opening double quote); moves `pos` past it.
std::optional<QString> readLiteral(const QString& source, qsizetype& pos)
{
    if (pos >= source.size() || source[pos] != QLatin1Char('"'))
        return std::nullopt;
    QString text;
    for (++pos; pos < source.size(); ++pos) {
        const QChar c = source[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return text;
        }
        if (c != QLatin1Char('\\')) {
            text += c;
            continue;
        }
        if (++pos >= source.size())
            return std::nullopt;
        switch (source[pos].unicode()) {
        case '"': text += QLatin1Char('"'); break;
        case '\\': text += QLatin1Char('\\'); break;
        case 'n': text += QLatin1Char('\n'); break;
        case 'r': text += QLatin1Char('\r'); break;
        case 't': text += QLatin1Char('\t'); break;
        default: return std::nullopt;
        }
    }
    return std::nullopt; // unterminated
}

std::optional<SimScripts::Answer> answerFrom(const QString& text)
{
    if (text == QLatin1String("list"))
        return SimScripts::Answer::list;
    if (text == QLatin1String("text"))
        return SimScripts::Answer::text;
    if (text == QLatin1String("nothing"))
        return SimScripts::Answer::nothing;
    return std::nullopt;
}

} // namespace

std::optional<SimScripts::Addressee> SimScripts::parseTabQuestion(const QString& source)
{
    if (!source.startsWith(kTell))
        return std::nullopt;
    qsizetype pos = kTell.size();
    Addressee addressee;
    if (source.mid(pos, kByID.size()) == kByID) {
        addressee.byID = true;
        pos += kByID.size();
    }
    const auto literal = readLiteral(source, pos);
    if (!literal || source.mid(pos) != kQuestion)
        return std::nullopt;
    addressee.text = *literal;
    return addressee;
}

std::optional<ScriptValue> SimScripts::run(const QString& source)
{
    log << source;
    const auto addressee = parseTabQuestion(source);
    if (!addressee)
        return std::nullopt; // a syntax error
    const SimWorld::App* app = nullptr;
    for (const SimWorld::App& candidate : m_world.apps) {
        const QString& key = addressee->byID ? candidate.bundleID : candidate.name;
        if (candidate.running && !key.isEmpty() && key == addressee->text) {
            app = &candidate;
            break;
        }
    }
    if (!app)
        return std::nullopt;
    const auto browser = browsers.find(app->pid);
    if (browser == browsers.end() || !browser->second.tabs)
        return std::nullopt; // does not know tabs, or has no front window
    const auto& tabs = *browser->second.tabs;
    switch (browser->second.answer) {
    case Answer::nothing:
        return std::nullopt;
    case Answer::text:
        if (tabs.empty())
            return std::nullopt;
        return ScriptValue{tabs.front(), false, {}};
    case Answer::list: {
        ScriptValue list{std::nullopt, true, {}};
        for (const auto& tab : tabs)
            list.items.push_back(ScriptValue{tab, false, {}});
        return list;
    }
    }
    return std::nullopt;
}

SimScripts& SimWorld::scripts()
{
    if (!m_scripts)
        m_scripts = std::make_shared<SimScripts>(*this);
    return *m_scripts;
}

bool SimWorld::readBrowsers(const QJsonObject& json, QString* error)
{
    const auto failWith = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    const QJsonValue list = json.value("browsers");
    if (list.isUndefined())
        return true;
    if (!list.isArray())
        return failWith(QStringLiteral("browsers must be an array"));
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject o = value.toObject();
        if (!o.value("pid").isDouble())
            return failWith(QStringLiteral("a browser needs a pid"));
        SimScripts::Browser browser;
        const auto answer = answerFrom(o.value("answer").toString(QStringLiteral("list")));
        if (!answer)
            return failWith(QStringLiteral("a browser's answer must be list, text or nothing"));
        browser.answer = *answer;
        const QJsonValue tabs = o.value("tabs");
        if (tabs.isArray()) {
            std::vector<std::optional<QString>> items;
            for (const QJsonValue& tab : tabs.toArray()) {
                if (tab.isString())
                    items.emplace_back(tab.toString());
                else if (tab.isNull())
                    items.emplace_back(std::nullopt);
                else
                    return failWith(QStringLiteral("a tab is an address or null"));
            }
            browser.tabs = std::move(items);
        } else if (!tabs.isUndefined() && !tabs.isNull()) {
            return failWith(QStringLiteral("a browser's tabs must be an array or null"));
        }
        scripts().browsers[std::int32_t(o.value("pid").toInt())] = std::move(browser);
    }
    return true;
}

} // namespace lumivast
