#include "Platform/X11/X11Log.h"

Q_LOGGING_CATEGORY(lcX11, "lumivast.x11")
