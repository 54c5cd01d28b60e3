// Moving one window to a managed Space: three strategies, tried in order.
#include "CGSBridge/BridgeInternal.h"
#include "CGSBridge/CGSBridge.h"

#include <limits>

namespace lumivast {

namespace {

using bridge::Once;

const QByteArray kPerformSymbol =
    "__ZL54SLSPerformAsynchronousBridgedWindowManagementOperationP47SLSAsynchronousBridgedWindowManagementOperation";
constexpr const char* kOperationClass = "SLSBridgedMoveWindowsToManagedSpaceOperation";
constexpr const char* kInitSelector = "initWithWindows:spaceID:";
// The four-character code 'LVL1', first character in the most significant byte.
constexpr std::uint32_t kCompatTag = (std::uint32_t('L') << 24) | (std::uint32_t('V') << 16) | (std::uint32_t('L') << 8) | std::uint32_t('1');

struct Bridged {
    const sysfn::PerformBridgedOperation* perform = nullptr;
    std::shared_ptr<RuntimeClass> operationClass;
};
struct CompatID {
    const sysfn::SpaceSetCompatID* setCompatID = nullptr;
    const sysfn::SetWindowListWorkspace* setWorkspace = nullptr;
};

struct MoveState {
    Once<Bridged> bridged;
    Once<const sysfn::MoveWindowsToManagedSpace*> managedSpace;
    Once<CompatID> compatID;
};

MoveState& moveState()
{
    static MoveState* s = [] {
        auto* created = new MoveState;
        bridge::onPlatformReset([created] {
            created->bridged.reset();
            created->managedSpace.reset();
            created->compatID.reset();
        });
        return created;
    }();
    return *s;
}

// The function is file-local in SkyLight, so when the global namespace does not
// have it, the first image named ".../SkyLight" is searched, and only that one.
const std::any* findPerformFunction(SymbolSource& source)
{
    if (const std::any* fn = source.lookup(nullptr, kPerformSymbol.constData()))
        return fn;
    const QByteArray suffix = "/SkyLight";
    const std::size_t count = source.imageCount();
    for (std::size_t i = 0; i < count; ++i) {
        const LoadedImage image = source.image(i);
        if (!image.name || image.name->size() < 9 || !image.name->endsWith(suffix))
            continue;
        if (!image.hasValidHeader)
            continue;
        for (const ImageSymbol& symbol : source.imageSymbols(i)) {
            if (symbol.name.isEmpty() || symbol.value == 0 || symbol.name != kPerformSymbol)
                continue;
            if (symbol.value > std::numeric_limits<std::uint64_t>::max() - image.slide)
                return nullptr;
            return source.function(symbol.value + image.slide);
        }
        return nullptr;
    }
    return nullptr;
}

Bridged bridgedOperation()
{
    return moveState().bridged.get([] {
        SymbolSource& source = bridge::symbols();
        const auto* perform = SymbolSource::as<sysfn::PerformBridgedOperation>(findPerformFunction(source));
        std::shared_ptr<RuntimeClass> cls = source.runtimeClass(kOperationClass);
        if (!perform || !cls || !cls->instancesRespondTo(kInitSelector))
            return Bridged{};
        return Bridged{perform, std::move(cls)};
    });
}

const sysfn::MoveWindowsToManagedSpace* managedSpaceMove()
{
    return moveState().managedSpace.get([] {
        return SymbolSource::as<sysfn::MoveWindowsToManagedSpace>(bridge::symbols().lookup(nullptr, "SLSMoveWindowsToManagedSpace"));
    });
}

CompatID compatIDFunctions()
{
    return moveState().compatID.get([] {
        SymbolSource& source = bridge::symbols();
        return CompatID{SymbolSource::as<sysfn::SpaceSetCompatID>(source.lookup(nullptr, "SLSSpaceSetCompatID")),
                        SymbolSource::as<sysfn::SetWindowListWorkspace>(source.lookup(nullptr, "SLSSetWindowListWorkspace"))};
    });
}

} // namespace

bool CGSBridgeMoveWindowToSpace(std::uint32_t windowID, std::uint64_t spaceID)
{
    const std::uint32_t connection = CGSBridgeConnection();
    if (LVMoveBridged(windowID, spaceID))
        return true;
    if (connection == 0)
        return false;
    if (LVMoveManagedSpace(connection, windowID, spaceID))
        return true;
    return LVMoveCompatID(connection, windowID, spaceID);
}

bool LVMoveBridgedIsAvailable()
{
    const Bridged b = bridgedOperation();
    return b.perform && b.operationClass;
}

bool LVMoveBridged(std::uint32_t windowID, std::uint64_t spaceID)
{
    if (!LVMoveBridgedIsAvailable())
        return false;
    const Bridged b = bridgedOperation();
    const PlistValue list = bridge::windowList(windowID);
    std::shared_ptr<RuntimeObject> allocated = b.operationClass->alloc();
    if (!allocated)
        return false;
    const std::any arguments[] = {list, spaceID};
    std::shared_ptr<RuntimeObject> operation = allocated->send(kInitSelector, arguments);
    if (!operation)
        return false;
    (*b.perform)(operation.get());
    return true;
}

bool LVMoveManagedSpaceIsAvailable()
{
    return managedSpaceMove() != nullptr;
}

bool LVMoveManagedSpace(std::uint32_t connection, std::uint32_t windowID, std::uint64_t spaceID)
{
    const auto* move = managedSpaceMove();
    if (!move)
        return false;
    (*move)(connection, bridge::windowList(windowID), spaceID);
    return true;
}

bool LVMoveCompatIDIsAvailable()
{
    const CompatID fns = compatIDFunctions();
    return fns.setCompatID && fns.setWorkspace;
}

bool LVMoveCompatID(std::uint32_t connection, std::uint32_t windowID, std::uint64_t spaceID)
{
    if (!LVMoveCompatIDIsAvailable())
        return false;
    const CompatID fns = compatIDFunctions();
    (*fns.setCompatID)(connection, spaceID, kCompatTag);
    const std::uint32_t windows[] = {windowID};
    const std::int32_t status = (*fns.setWorkspace)(connection, windows, 1, kCompatTag);
    // The tag is cleared whatever the move did.
    (*fns.setCompatID)(connection, spaceID, 0);
    return status == 0;
}

} // namespace lumivast
