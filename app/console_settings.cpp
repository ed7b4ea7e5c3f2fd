#include "app/console_settings.h"

#include <optional>
#include <string_view>
#include <utility>

#include "app/profile_file.h"

namespace korva::app {
namespace {

constexpr std::string_view kSection = "Geral";
constexpr std::string_view kAddressKey = "IP";
constexpr std::string_view kMaskKey = "msk";
constexpr std::string_view kGatewayKey = "GW";

void ReadInto(const ProfileFile& file, std::string_view key, std::string& value) {
    if (std::optional<std::string> stored = file.Value(kSection, key))
        value = *std::move(stored);
}

class SettingsFile : public console::SettingsStore {
public:
    explicit SettingsFile(std::string path) : path_(std::move(path)) {}
    ConsoleSettings Load() override { return ReadConsoleSettings(path_); }
    void Save(const ConsoleSettings& settings) override { WriteConsoleSettings(path_, settings); }

private:
    const std::string path_;
};

}  // namespace

std::string SettingsPathIn(const std::string& folder) {
    if (folder.empty() || folder.back() == '/')
        return folder + "KorvaCfg.ini";
    return folder + "/KorvaCfg.ini";
}

ConsoleSettings ReadConsoleSettings(const std::string& path) {
    const ProfileFile file = ProfileFile::Load(path);
    ConsoleSettings settings;
    ReadInto(file, kAddressKey, settings.address);
    ReadInto(file, kMaskKey, settings.mask);
    ReadInto(file, kGatewayKey, settings.gateway);
    return settings;
}

void WriteConsoleSettings(const std::string& path, const ConsoleSettings& settings) {
    ProfileFile file = ProfileFile::Load(path);
    file.SetValue(kSection, kAddressKey, settings.address);
    file.SetValue(kSection, kMaskKey, settings.mask);
    file.SetValue(kSection, kGatewayKey, settings.gateway);
    file.SaveAtomically(path);
}

std::unique_ptr<console::SettingsStore> SettingsFileAt(const std::string& path) {
    return std::make_unique<SettingsFile>(path);
}

}  // namespace korva::app
