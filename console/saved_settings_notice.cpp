#include "console/saved_settings_notice.h"

#include "console/console_texts.h"

namespace korva::console {
namespace {

// Long enough to read two paths; the window is closing, so it must not wait for ever.
constexpr int kNoticeSeconds = 20;
constexpr Rgb kNoticeColour{255, 255, 0};

}  // namespace

std::optional<TimedMessage> SavedSettingsNotice(const SettingsStore& settings) {
    const std::optional<SettingsDetour> detour = settings.Detour();
    if (!detour)
        return std::nullopt;
    return TimedMessage{texts::SettingsSavedElsewhere(detour->readFrom, detour->savedTo), kNoticeColour, kNoticeSeconds,
                        TimedMessage::kInformation};
}

}  // namespace korva::console
