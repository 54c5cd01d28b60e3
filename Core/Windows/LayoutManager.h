#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Platform/Scheduler.h"

#include <QByteArray>
#include <QDateTime>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace lumivast {

class SpaceContents;
class WindowMover;

// Where the windows of apps with a bundle identifier were, and on which Space.
struct WindowLayout {
    struct Entry {
        QString bundleID;
        QString title;     // may be empty
        QRectF frame;      // global, top-left origin, as the window list gives it
        QString spaceUUID; // the Space's id
        QString displayID; // recorded only
        bool operator==(const Entry&) const = default;
    };

    QString name; // "manual", "auto", ...
    QDateTime savedAt;
    QString displaySetup;
    std::vector<Entry> entries; // in window-list order

    bool operator==(const WindowLayout&) const = default;

    // Compact JSON, whole-second UTC date.
    QByteArray encoded() const;
    // Every key with its type is required; anything else is nothing.
    static std::optional<WindowLayout> decode(const QByteArray& data);
};

// Saves and restores window layouts, one file per layout name and display
// setup in Layouts/, saves "auto" every 300 s, and gathers the windows of
// external displays before they are unplugged. Main thread only.
class LayoutManager final {
public:
    using CountCompletion = std::function<void(int)>;

    static constexpr Duration kAutoSaveInterval = 300s;
    static constexpr Duration kAutoSaveTolerance = 60s;
    static constexpr qsizetype kLongestFileKey = 120;  // in user-perceived characters
    static constexpr qsizetype kShortenedKeyPrefix = 60;
    static inline const QString kManual = QStringLiteral("manual");
    static inline const QString kAuto = QStringLiteral("auto");
    // Written beside every "auto" save; read when displays are connected again.
    static inline const QString kAutoSetup = QStringLiteral("auto-setup");

    LayoutManager(WindowMover& mover, const SpaceContents& contents, Scheduler& scheduler);
    ~LayoutManager();
    LayoutManager(const LayoutManager&) = delete;
    LayoutManager& operator=(const LayoutManager&) = delete;

    // The current windows as a layout; nothing is written.
    WindowLayout capture(const QString& name, const SpaceSnapshot& snapshot) const;
    // Captures and writes the layout (and, for "auto", its "auto-setup" twin).
    // A layout without entries is not written; the capture is returned either way.
    WindowLayout save(const QString& name, const SpaceSnapshot& snapshot);
    // Nothing when the file is missing or does not decode (an undecodable one is set aside).
    std::optional<WindowLayout> load(const QString& name, const QString& setup) const;
    // Moves the matching windows to their recorded Spaces and gives them their
    // recorded frames; later, once, the completion gets how many were moved to
    // another Space.
    void restore(const WindowLayout& layout, const SpaceSnapshot& snapshot, CountCompletion completion);
    // (Re)starts saving "auto" every 300 s while "autoSaveLayout" is on.
    void startAutoSave(std::function<SpaceSnapshot()> snapshot);
    bool isAutoSaving() const { return m_timer.isPending(); }

    // Saves "auto", then moves every window of the other displays' ordinary
    // Spaces onto the built-in display (else the menu-bar display); the
    // completion gets the number of windows moved.
    void ejectExternalDisplays(const SpaceSnapshot& snapshot, CountCompletion completion);

    // The displays' identifiers sorted and joined with "+"; "" without displays.
    static QString displaySetup(const SpaceSnapshot& snapshot);
    // The Layouts folder, created on every call.
    static QString folder();
    // "<name>--<setup>" with "/" made "-", shortened with a stable hash past 120 characters.
    static QString fileKey(const QString& name, const QString& setup);
    static QString filePath(const QString& name, const QString& setup);

private:
    WindowMover& m_mover;
    const SpaceContents& m_contents;
    Scheduler& m_scheduler;
    WorkItem m_timer;
};

} // namespace lumivast
