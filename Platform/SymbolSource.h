#pragma once

#include <QByteArray>

#include <any>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace lumivast {

// An object of the system's object runtime, reached by selector names at run
// time. Dropping the last reference releases it.
class RuntimeObject {
public:
    virtual ~RuntimeObject() = default;
    // Sends `selector` with `arguments`; a null result stands for nil.
    virtual std::shared_ptr<RuntimeObject> send(const char* selector, std::span<const std::any> arguments) = 0;
};

class RuntimeClass {
public:
    virtual ~RuntimeClass() = default;
    virtual bool instancesRespondTo(const char* selector) const = 0;
    // "alloc": an uninitialised instance, or null.
    virtual std::shared_ptr<RuntimeObject> alloc() = 0;
};

// A loaded image as the image list describes it.
struct LoadedImage {
    std::optional<QByteArray> name; // absent when the system gives none
    bool hasValidHeader = false;    // a 64-bit image header with the expected magic
    std::uint64_t slide = 0;
};

// One entry of an image's symbol table.
struct ImageSymbol {
    QByteArray name;
    std::uint64_t value = 0; // unslid address; 0 for undefined symbols
};

// Stands in for dlopen/dlsym: functions registered under their system names
// in images or the global namespace. A symbol is a std::any holding the
// std::function of the function's signature (Platform/SystemFunctions.h); a
// caller that expects another signature sees nothing, as a bad cast would.
class SymbolSource {
public:
    using ImageHandle = const void*; // null: the image could not be opened

    enum class OpenMode {
        Lazy,       // RTLD_LAZY: loads the image when it exists
        LazyNoLoad, // RTLD_LAZY | RTLD_NOLOAD: only finds an image already loaded
    };

    virtual ~SymbolSource() = default;

    virtual ImageHandle open(const QByteArray& path, OpenMode mode) = 0;
    // `image` null: the global namespace (RTLD_DEFAULT), every loaded image in load order.
    virtual const std::any* lookup(ImageHandle image, const char* name) = 0;

    // The loaded-image list and each image's symbol table.
    virtual std::size_t imageCount() = 0;
    virtual LoadedImage image(std::size_t index) = 0;
    virtual std::vector<ImageSymbol> imageSymbols(std::size_t index) = 0;
    // The function at an address found through a symbol table (value + slide).
    virtual const std::any* function(std::uint64_t address) = 0;

    virtual std::shared_ptr<RuntimeClass> runtimeClass(const char* name) = 0;

    template <class Fn>
    static const Fn* as(const std::any* symbol)
    {
        return symbol ? std::any_cast<Fn>(symbol) : nullptr;
    }
};

} // namespace lumivast
