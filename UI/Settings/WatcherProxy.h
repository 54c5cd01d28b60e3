#pragma once

#include <QObject>

namespace lumivast {

// The one signal that makes the settings window's lists of Spaces redraw;
// the application sends it after every new snapshot. Carries no data. One
// lives in the settings window's services.
class WatcherProxy final : public QObject {
    Q_OBJECT
public:
    void send() { emit changed(); }

signals:
    void changed();
};

} // namespace lumivast
