#pragma once

#include <QObject>

namespace lumivast {

// The one signal that makes the settings window's lists of Spaces redraw;
// the application sends it after every new snapshot. Carries no data.
class WatcherProxy final : public QObject {
    Q_OBJECT
public:
    static WatcherProxy& shared()
    {
        static WatcherProxy proxy;
        return proxy;
    }
    void send() { emit changed(); }

signals:
    void changed();

private:
    WatcherProxy() = default;
};

} // namespace lumivast
