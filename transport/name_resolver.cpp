#include "transport/name_resolver.h"

#include "transport/name_lookup.h"

namespace korva::transport {
namespace {

class SystemNameResolver : public NameResolver {
public:
    std::optional<std::uint32_t> LookUp(const std::string& name) override {
        if (name.find('\0') != std::string::npos)
            return std::nullopt;
        return LookUpIPv4(name);
    }
};

}  // namespace

std::shared_ptr<NameResolver> SystemResolver() {
    static const std::shared_ptr<NameResolver> system = std::make_shared<SystemNameResolver>();
    return system;
}

}  // namespace korva::transport
