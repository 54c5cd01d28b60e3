#pragma once

// One desktop for the platform contract: the platform under test, installed,
// and what the outside world does to it (windows that open and close) in that
// desktop's own way. The cases talk to the platform only through the
// interfaces the core uses.

#include "Platform/Platform.h"
#include "Platform/VirtualScheduler.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

namespace lumivast::test::contract {

using namespace std::chrono_literals;

// A window some other application shows.
struct OutsideWindow {
    std::uint32_t id = 0;
    std::int32_t pid = 0;
};

class ContractDesktop {
public:
    virtual ~ContractDesktop() = default;

    virtual Platform& platform() = 0;
    // The main thread's clock: posted work runs when the desktop is settled.
    VirtualScheduler& scheduler() { return m_scheduler; }

    // Runs the main thread's posted work, and lets the system go on, until `done` holds; false
    // when it never does.
    virtual bool settle(const std::function<bool()>& done) = 0;
    // Lets whatever is under way finish, so that what never comes can be told apart from what is late.
    virtual void quiesce() = 0;

    // Another application's window, placed on the current Space of the first display and listed.
    virtual std::optional<OutsideWindow> openWindow(const QString& title) = 0;
    // That application closes it, as the user would.
    virtual void closeWindow(const OutsideWindow& window) = 0;

protected:
    VirtualScheduler m_scheduler;
};

// The desktop for one case, or why there is none.
struct MadeDesktop {
    std::unique_ptr<ContractDesktop> desktop;
    QString absent; // not installed or not started here: a skip, or a failure where it is required
    QString broken; // there, but not in the state every case starts from: a failure
};

struct DesktopFactory {
    const char* name;
    std::function<MadeDesktop()> make;
    // Whether an absent desktop fails the case (else it is skipped).
    std::function<bool()> required;
};

inline void PrintTo(const DesktopFactory& factory, std::ostream* out)
{
    *out << factory.name;
}

DesktopFactory simulatedDesktop();
DesktopFactory realDesktop();

} // namespace lumivast::test::contract
