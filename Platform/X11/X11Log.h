#pragma once

#include <QLoggingCategory>

// The real desktop's own: requests the X server or the window manager refused,
// and the display lost and reached again. Never per event or per listing.
Q_DECLARE_LOGGING_CATEGORY(lcX11)
