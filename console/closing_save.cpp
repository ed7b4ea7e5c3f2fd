#include "console/closing_save.h"

#include <exception>
#include <optional>

#include "console/console_texts.h"
#include "console/saved_settings_notice.h"
#include "console/window_layout.h"

namespace korva::console {

bool ClosingSave::Save(SettingsStore& settings, const ConsoleSettings& boxes, ConsoleView& view, bool sessionEnding) {
    try {
        settings.Save(boxes);
    } catch (const std::exception& error) {
        if (!failedBefore_) {
            // Nothing is lost while the window stays open.
            failedBefore_ = true;
            view.ShowError(error.what());
            return false;
        }
        // Told once already: a window that cannot be closed would cost more than three boxes' values.
        // NÃO by default: Return pressed by habit must not throw away what was typed.
        return view.ShowMessage(
            {texts::MessageText(texts::kCloseWithoutSaving), layout::kCloseQuestionColour, 0, TimedMessage::kCautiousQuestion});
    }
    if (!sessionEnding) {
        if (const std::optional<TimedMessage> notice = SavedSettingsNotice(settings))
            view.ShowMessage(*notice);
    }
    return true;
}

}  // namespace korva::console
