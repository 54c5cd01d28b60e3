#include "Platform/Log.h"

Q_LOGGING_CATEGORY(lcApp, "lumivast.App")
Q_LOGGING_CATEGORY(lcAutomation, "lumivast.Automation")
Q_LOGGING_CATEGORY(lcLocalAPI, "lumivast.LocalAPI")
Q_LOGGING_CATEGORY(lcSpaceProvider, "lumivast.SpaceProvider")
Q_LOGGING_CATEGORY(lcSwitcher, "lumivast.Switcher")
Q_LOGGING_CATEGORY(lcSpaceWatcher, "lumivast.SpaceWatcher")
Q_LOGGING_CATEGORY(lcThumbnails, "lumivast.Thumbnails")
Q_LOGGING_CATEGORY(lcWindowMover, "lumivast.WindowMover")
Q_LOGGING_CATEGORY(lcAppRules, "lumivast.AppRules")
Q_LOGGING_CATEGORY(lcFiles, "lumivast.Files")
