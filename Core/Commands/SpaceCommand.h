#pragma once

#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <variant>

namespace lumivast {

// Texts carried by commands compare as Unicode text: canonically equivalent
// forms are equal, case matters.
bool sameText(const QString& a, const QString& b);
bool sameText(const std::optional<QString>& a, const std::optional<QString>& b);

// Every user-level action that reaches the app from outside its own views.
// A plain value: owns its strings, copied freely between callers.
struct SpaceCommand {
    // How a command names one Space; the dispatcher resolves it.
    struct SpaceRef {
        struct Number {
            std::int64_t value; // desktop number, no range check
            bool operator==(const Number&) const = default;
        };
        struct Name {
            QString text; // exactly as written; may be empty
            bool operator==(const Name& other) const { return sameText(text, other.text); }
        };
        struct Current {
            bool operator==(const Current&) const = default;
        };

        std::variant<Current, Number, Name> value; // a default reference is current

        static SpaceRef number(std::int64_t n) { return {Number{n}}; }
        static SpaceRef name(QString s) { return {Name{std::move(s)}}; }
        static SpaceRef current() { return {Current{}}; }

        bool operator==(const SpaceRef&) const = default;
    };

    // Cases with a payload.
    struct SwitchTo {
        SpaceRef target;
        bool operator==(const SwitchTo&) const = default;
    };
    struct Step {
        bool right = true;
        bool operator==(const Step&) const = default;
    };
    struct MoveWindow {
        SpaceRef target;
        bool operator==(const MoveWindow&) const = default;
    };
    struct MoveWindowStep {
        bool right = true;
        bool operator==(const MoveWindowStep&) const = default;
    };
    struct Rename {
        SpaceRef target;
        std::optional<QString> name; // absent: ask the user
        bool operator==(const Rename& o) const { return target == o.target && sameText(name, o.name); }
    };
    struct Note {
        SpaceRef target;
        std::optional<QString> text; // absent: clear the note
        bool operator==(const Note& o) const { return target == o.target && sameText(text, o.text); }
    };
    struct Setup {
        SpaceRef target;
        bool operator==(const Setup&) const = default;
    };
    struct Profile {
        QString name;
        bool operator==(const Profile& o) const { return sameText(name, o.name); }
    };
    struct Template {
        QString name;
        bool operator==(const Template& o) const { return sameText(name, o.name); }
    };
    struct Windows {
        bool allSpaces = false;
        bool operator==(const Windows&) const = default;
    };
    struct RemoveDesktop {
        SpaceRef target;
        bool operator==(const RemoveDesktop&) const = default;
    };
    struct Notes {
        SpaceRef target;
        bool operator==(const Notes&) const = default;
    };
    struct Step2D {
        bool up = true;
        bool operator==(const Step2D&) const = default;
    };

    // Plain cases.
#define LUMIVAST_PLAIN_COMMAND(Name)                                                                                   \
    struct Name {                                                                                                      \
        bool operator==(const Name&) const = default;                                                                  \
    };
    LUMIVAST_PLAIN_COMMAND(Back)
    LUMIVAST_PLAIN_COMMAND(Overview)
    LUMIVAST_PLAIN_COMMAND(Settings)
    LUMIVAST_PLAIN_COMMAND(Diagnostics)
    LUMIVAST_PLAIN_COMMAND(SaveLayout)
    LUMIVAST_PLAIN_COMMAND(RestoreLayout)
    LUMIVAST_PLAIN_COMMAND(Eject)
    LUMIVAST_PLAIN_COMMAND(Launcher)
    LUMIVAST_PLAIN_COMMAND(Scratchpad)
    LUMIVAST_PLAIN_COMMAND(MinimizeAll)
    LUMIVAST_PLAIN_COMMAND(UndoMinimize)
    LUMIVAST_PLAIN_COMMAND(SaveAndClose)
    LUMIVAST_PLAIN_COMMAND(AddDesktop)
    LUMIVAST_PLAIN_COMMAND(DemoTour)
#undef LUMIVAST_PLAIN_COMMAND

    using Value = std::variant<SwitchTo, Step, MoveWindow, MoveWindowStep, Rename, Note, Setup, Profile, Template,
                               Windows, RemoveDesktop, Notes, Step2D, Back, Overview, Settings, Diagnostics, SaveLayout,
                               RestoreLayout, Eject, Launcher, Scratchpad, MinimizeAll, UndoMinimize, SaveAndClose,
                               AddDesktop, DemoTour>;
    Value value;

    static SpaceCommand switchTo(SpaceRef target) { return {SwitchTo{std::move(target)}}; }
    static SpaceCommand step(bool right) { return {Step{right}}; }
    static SpaceCommand moveWindow(SpaceRef target) { return {MoveWindow{std::move(target)}}; }
    static SpaceCommand moveWindowStep(bool right) { return {MoveWindowStep{right}}; }
    static SpaceCommand rename(SpaceRef target, std::optional<QString> name)
    {
        return {Rename{std::move(target), std::move(name)}};
    }
    static SpaceCommand note(SpaceRef target, std::optional<QString> text)
    {
        return {Note{std::move(target), std::move(text)}};
    }
    static SpaceCommand setup(SpaceRef target) { return {Setup{std::move(target)}}; }
    static SpaceCommand profile(QString name) { return {Profile{std::move(name)}}; }
    static SpaceCommand template_(QString name) { return {Template{std::move(name)}}; } // "template" is taken
    static SpaceCommand windows(bool allSpaces) { return {Windows{allSpaces}}; }
    static SpaceCommand removeDesktop(SpaceRef target) { return {RemoveDesktop{std::move(target)}}; }
    static SpaceCommand notes(SpaceRef target) { return {Notes{std::move(target)}}; }
    static SpaceCommand step2D(bool up) { return {Step2D{up}}; }
    static SpaceCommand back() { return {Back{}}; }
    static SpaceCommand overview() { return {Overview{}}; }
    static SpaceCommand settings() { return {Settings{}}; }
    static SpaceCommand diagnostics() { return {Diagnostics{}}; }
    static SpaceCommand saveLayout() { return {SaveLayout{}}; }
    static SpaceCommand restoreLayout() { return {RestoreLayout{}}; }
    static SpaceCommand eject() { return {Eject{}}; }
    static SpaceCommand launcher() { return {Launcher{}}; }
    static SpaceCommand scratchpad() { return {Scratchpad{}}; }
    static SpaceCommand minimizeAll() { return {MinimizeAll{}}; }
    static SpaceCommand undoMinimize() { return {UndoMinimize{}}; }
    static SpaceCommand saveAndClose() { return {SaveAndClose{}}; }
    static SpaceCommand addDesktop() { return {AddDesktop{}}; }
    static SpaceCommand demoTour() { return {DemoTour{}}; }

    // The one text form: lumivast://<word>[/<component>…][?<item>=<value>&…].
    // Pure; nothing when the URL is not a command.
    static std::optional<SpaceCommand> fromUrl(const QUrl& url);

    bool operator==(const SpaceCommand&) const = default;
};

} // namespace lumivast
