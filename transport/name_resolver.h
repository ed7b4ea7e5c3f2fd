#pragma once
// Host names turned into IPv4 addresses. Asking a name server may take seconds, so the console never asks
// on its own thread: NameLookups runs each lookup elsewhere and reports back. The resolver itself is
// the system's, or one a test puts in its place (slow, failing), so that no test asks a name server.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace korva::transport {

// Blocks the caller until the answer is known.
class NameResolver {
public:
    virtual ~NameResolver() = default;
    // The name's first IPv4 address, host byte order; nullopt when none is found.
    virtual std::optional<std::uint32_t> LookUp(const std::string& name) = 0;
};

// The system's resolver. A name with a NUL byte inside is found nowhere: the system would look up only
// its beginning.
std::shared_ptr<NameResolver> SystemResolver();

// Starts lookups and returns at once; what each found reaches its owner later, on the owner's thread.
class NameLookups {
public:
    using Found = std::function<void(std::optional<std::uint32_t> address)>;

    virtual ~NameLookups() = default;
    virtual void Start(const std::string& name, Found found) = 0;
};

}  // namespace korva::transport
