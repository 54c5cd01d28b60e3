#pragma once

#include "Core/Menus/MenuItem.h"
#include "Core/Overview/OverlayViewModel.h"

#include <functional>
#include <vector>

namespace lumivast {

class AlertService;
class FileChooser;

// The menu of one overview tile: name, icon, colour, note, category and icon
// image of its Space, the delegate's window and setup actions, the preview
// and the arrangement. Built anew at every opening from the tile as drawn.
namespace TileMenu {

struct Actions {
    // Turns the tile's name into the rename field (the view's part).
    std::function<void(const QString& tileID)> beginRename;
};

std::vector<MenuItem> items(const OverlayTile& tile, OverlayViewModel& model, AlertService& alerts, FileChooser& chooser,
                            Actions actions);

} // namespace TileMenu

} // namespace lumivast
