#pragma once

#include "Platform/AXElements.h"
#include "Platform/RunningApplications.h"
#include "Platform/Sim/SimWorld.h"
#include "Platform/WindowList.h"

#include <QRectF>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace lumivast {

class SimWorld;

// The window server's window list and the workspace's running applications,
// read from the world's apps and windows. The Dock runs as its own process
// when the world gives it a pid.
class SimWindowList final : public WindowList, public RunningApplications {
public:
    static inline const QString kDockBundleID = QStringLiteral("com.apple.dock");

    explicit SimWindowList(SimWorld& world) : m_world(world) {}

    // How often the window list was read.
    int reads() const { return m_reads; }
    // Runs inside every read, on the reading thread (lets a test hold a read in flight).
    std::function<void()> duringRead;

    // ---- WindowList ----
    PlistValue copyWindowInfo(std::uint32_t options, std::uint32_t relativeToWindow) override;

    // ---- RunningApplications ----
    std::vector<RunningApplication> runningApplications() override;
    std::optional<RunningApplication> runningApplication(std::int32_t pid) override;
    std::optional<RunningApplication> frontmostApplication() override;
    QImage icon(std::int32_t pid) override;
    QImage iconForBundle(const QString& bundleID) override;
    // SimAccessibility.cpp
    bool activate(std::int32_t pid) override;
    bool hide(std::int32_t pid) override;
    bool unhide(std::int32_t pid) override;

    // ---- installed applications (SimInstalledApps.cpp) ----
    std::optional<QStringList> folderEntries(const QString& folder) override;
    std::optional<QString> bundleIdentifier(const QString& bundlePath) override;
    QImage iconForFile(const QString& path) override;
    QString displayName(const QString& path) override;
    // Opens an installed bundle: brings it forward when it runs, else starts it under a new pid.
    std::optional<std::int32_t> openInstalled(const QString& bundlePath, const OpenConfiguration& configuration = {});
    // Opens a known application: one that runs only comes forward (its
    // arguments dropped) unless a new instance is wanted; otherwise it starts
    // with the arguments. Its pid. A bundle of the app folders that starts
    // comes forward by itself; `activatesAsAsked` records it as an activation.
    std::int32_t start(SimWorld::App& app, const OpenConfiguration& configuration, bool activatesAsAsked = true);

    // The square of a colour of its own that stands for an icon.
    static QImage placeholderIcon(const QString& seed);

private:
    SimWorld& m_world;
    std::atomic<int> m_reads{0};
};

// Accessibility elements of the Dock: the application element, whose
// children are the item list with the world's `dockItemList` frame (an
// "AXList" of one "AXDockItem" per running regular application) and, while
// its bars show, Mission Control's group (SimMissionControl). Other
// applications' trees (their windows and buttons) are the world's
// SimAccessibility's.
class SimDockElements final : public AXElements {
public:
    explicit SimDockElements(SimWorld& world) : m_world(world) {}

    sysfn::AXElementRef applicationElement(std::int32_t pid) override;
    std::expected<AXAttributeValue, AXError> copyAttributeValue(sysfn::AXElementRef element, const QString& attribute) override;
    std::expected<void, AXError> setAttributeValue(sysfn::AXElementRef element, const QString& attribute,
                                                   const AXAttributeValue& value) override;
    std::expected<void, AXError> performAction(sysfn::AXElementRef element, const QString& action) override;
    std::expected<void, AXError> setMessagingTimeout(sysfn::AXElementRef element, double seconds) override;

    // The pid of an application element made here.
    std::optional<std::int32_t> applicationPID(sysfn::AXElementRef element) const;

    sysfn::AXElementRef itemListElement() const { return &m_itemList; }

private:
    bool runningApplicationExists(std::int32_t pid);
    std::vector<sysfn::AXElementRef> dockItems();

    SimWorld& m_world;
    std::map<std::int32_t, std::unique_ptr<std::int32_t>> m_appElements;
    std::map<std::int32_t, std::unique_ptr<std::int32_t>> m_dockItems;
    const char m_itemList = 0;
};

} // namespace lumivast
