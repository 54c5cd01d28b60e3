#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Core/Spaces/SpaceMeta.h"
#include "Platform/AXElements.h"
#include "Platform/Scheduler.h"

#include <QRectF>

#include <QString>

#include <expected>
#include <functional>
#include <optional>

// Adds and removes desktops by operating Mission Control the way a user
// would: open it, find the Space buttons in the Dock's Accessibility tree,
// press the add button or hover a desktop and press its remove button, then
// close Mission Control with Escape. Nothing is kept between requests; each
// completion runs exactly once, on the main thread, from the scheduler.
// Success means the steps were carried out: the Spaces are not re-read.
namespace lumivast::SpaceManagement {

enum class Failure { unavailable, noButton, notFound };

// The user-visible text of a failure.
QString description(Failure failure);

using Completion = std::function<void(std::expected<void, Failure>)>;

// Polling for the Space buttons: the first look 0.35 s after the request,
// then every 0.1 s, 21 looks in all (the last 2.35 s after the request).
inline constexpr Duration kFirstPoll = 350ms;
inline constexpr Duration kPollInterval = 100ms;
inline constexpr int kPolls = 21;
// From the press on "add desktop" to Escape.
inline constexpr Duration kAddSettle = 500ms;
// From the hover to the press on the remove button, and from there to the end.
inline constexpr Duration kHoverToClose = 700ms;
inline constexpr Duration kCloseToEnd = 600ms;

// Reading Mission Control's elements, shared with the labels over its buttons.
// An Accessibility element's frame (global, origin top left); none when it has no position or size.
std::optional<QRectF> frame(sysfn::AXElementRef element);
// A text attribute; empty when it cannot be read or is not text.
QString text(sysfn::AXElementRef element, const QString& attribute);
// A new application element for the running Dock; none while the Dock does not run.
std::optional<sysfn::AXElementRef> dockElement();

// Whether Mission Control's Spaces Bars are there (open, or still closing).
bool isMissionControlShown();

// Where the system takes such requests itself (Platform::desktopManagement()), they go to it,
// and its answer is confirmed from the system; else through Mission Control.
void addDesktop(Scheduler& scheduler, Completion completion);
// `number` is the desktop's number as Mission Control shows it ("Desktop 3").
void removeDesktop(Scheduler& scheduler, int number, Completion completion);
// Whether a removal renumbers the later desktops' Spaces, whose metadata must then follow them.
bool removalRenumbers();
// The metadata once desktop `number` of `before` is gone and every later desktop of its
// display took the key of the one before it.
SpaceMetaMap metasAfterRemoval(SpaceMetaMap metas, const SpaceSnapshot& before, int number);

} // namespace lumivast::SpaceManagement
