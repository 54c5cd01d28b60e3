#pragma once

#include "Core/Spaces/SpaceModel.h"
#include "Core/Strips/StripModel.h"
#include "Platform/Scheduler.h"
#include "UI/Panels/Panel.h"
#include "UI/Strips/StripView.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>

namespace lumivast {

// With "floatingToolbar" on, a small floating row of pills per display. The
// user may drag it by its plate; each display's place is remembered under
// its own name. Main thread only.
class FloatingToolbarController final : public QObject {
    Q_OBJECT
public:
    static constexpr double kBottomMargin = 12;
    static QString autosaveName(const QString& displayID) { return QStringLiteral("LumivastToolbar-") + displayID; }

    using ModelFactory = std::function<std::unique_ptr<StripModel>()>;
    FloatingToolbarController(Scheduler& scheduler, ModelFactory makeModel, QObject* parent = nullptr);
    ~FloatingToolbarController() override;

    // Brings the toolbars in line with the snapshot's displays, or removes
    // them all while the setting is off. A display without a screen is left
    // as it is.
    void update(const SpaceSnapshot& snapshot);

    Panel* panel(const QString& displayID) const;
    StripModel* model(const QString& displayID) const;
    StripView* view(const QString& displayID) const;
    std::size_t count() const { return m_toolbars.size(); }

private:
    struct Toolbar {
        std::unique_ptr<StripModel> model; // outlives the panel and its view
        std::unique_ptr<Panel> panel;
        QPointer<StripView> view;
    };
    static void fitToContent(Panel& panel, StripView* view);

    Scheduler& m_scheduler;
    ModelFactory m_makeModel;
    std::map<QString, Toolbar> m_toolbars;
};

} // namespace lumivast
