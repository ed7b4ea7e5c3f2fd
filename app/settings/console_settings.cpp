#include "app/settings/console_settings.h"

#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "app/settings/profile_file.h"

namespace korva::app {
namespace {

constexpr std::string_view kSection = "Geral";
constexpr std::string_view kAddressKey = "IP";
constexpr std::string_view kMaskKey = "msk";
constexpr std::string_view kGatewayKey = "GW";
constexpr std::string_view kLanguageKey = "Idioma";

void ReadInto(const ProfileFile& file, std::string_view key, std::string& value) {
    if (std::optional<std::string> stored = file.Value(kSection, key))
        value = *std::move(stored);
}

class PlacedSettings : public console::SettingsStore {
public:
    PlacedSettings(SettingsPlace place, std::function<void()> beforeSave, std::string nowhere)
        : place_(std::move(place)), beforeSave_(std::move(beforeSave)), nowhere_(std::move(nowhere)) {}

    ConsoleSettings Load() override {
        return place_.readFrom.empty() ? ConsoleSettings() : ReadConsoleSettings(place_.readFrom);
    }
    void Save(const ConsoleSettings& settings) override {
        if (place_.saveTo.empty())
            throw std::runtime_error(nowhere_);
        if (beforeSave_)
            beforeSave_();
        WriteConsoleSettings(place_.saveTo, settings);
    }
    std::string Language() override {
        return place_.readFrom.empty() ? std::string() : ReadLanguageSetting(place_.readFrom);
    }
    std::optional<console::SettingsDetour> Detour() const override {
        if (place_.readFrom.empty() || place_.readFrom == place_.saveTo)
            return std::nullopt;
        return console::SettingsDetour{place_.readFrom, place_.saveTo};
    }

private:
    const SettingsPlace place_;
    const std::function<void()> beforeSave_;
    const std::string nowhere_;
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

std::string ReadLanguageSetting(const std::string& path) {
    return ProfileFile::Load(path).Value(kSection, kLanguageKey).value_or("");
}

void WriteConsoleSettings(const std::string& path, const ConsoleSettings& settings) {
    ProfileFile file = ProfileFile::Load(path);
    file.SetValue(kSection, kAddressKey, settings.address);
    file.SetValue(kSection, kMaskKey, settings.mask);
    file.SetValue(kSection, kGatewayKey, settings.gateway);
    file.SaveAtomically(path);
}

std::unique_ptr<console::SettingsStore> SettingsFileAt(const std::string& path) {
    return SettingsStoreFor({path, path}, {}, {});
}

std::unique_ptr<console::SettingsStore> SettingsStoreFor(SettingsPlace place, std::function<void()> beforeSave,
                                                         std::string nowhere) {
    return std::make_unique<PlacedSettings>(std::move(place), std::move(beforeSave), std::move(nowhere));
}

}  // namespace korva::app
