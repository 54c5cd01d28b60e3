#pragma once

#include "Platform/SymbolSource.h"
#include "Platform/SymbolicHotKeys.h"
#include "Platform/X11/Session.h"

#include <QByteArray>

#include <functional>
#include <optional>

#include <map>
#include <memory>
#include <mutex>

namespace lumivast::x11 {

// The backend's own table of window-server functions. It opens no image, so
// the bridge's look-ups fall through to the global namespace, where the
// functions stand under the names the simulated system uses. The Dock
// notification, the multitouch functions and the bridged and compat-id moves
// have no counterpart and are not there.
class Symbols final : public SymbolSource {
public:
    // Any non-zero number: there is one connection per process.
    static constexpr sysfn::ConnectionID kConnectionID = 0x5831;

    explicit Symbols(std::shared_ptr<Session> session);

    ImageHandle open(const QByteArray&, OpenMode) override { return nullptr; }
    const std::any* lookup(ImageHandle image, const char* name) override;
    std::size_t imageCount() override { return 0; }
    LoadedImage image(std::size_t) override { return {}; }
    std::vector<ImageSymbol> imageSymbols(std::size_t) override { return {}; }
    const std::any* function(std::uint64_t) override { return nullptr; }
    std::shared_ptr<RuntimeClass> runtimeClass(const char*) override { return nullptr; }

    // Registers "_AXUIElementGetWindow" over the Accessibility service's window elements.
    void addAXWindowNumbers(std::function<std::optional<std::uint32_t>(sysfn::AXElementRef)> windowNumber);

    // The symbolic hot keys, for the event poster's reading of key presses.
    std::map<std::int32_t, SymbolicHotKey> hotKeys() const;

private:
    void add(const char* name, std::any function) { m_table.emplace(QByteArray(name), std::move(function)); }
    // The request connection when `cid` is ours and the display answers.
    std::shared_ptr<XConnection> connectionFor(sysfn::ConnectionID cid);

    std::shared_ptr<Session> m_session;
    std::map<QByteArray, std::any> m_table;
    mutable std::mutex m_hotKeyMutex;
    std::map<std::int32_t, SymbolicHotKey> m_hotKeys; // enabled flags last for the process's life
};

} // namespace lumivast::x11
