#pragma once
// The console's own words, in one place for every front end: UTF-8, in the language the console speaks
// (language/catalogues: the keys console.*). Device text (addresses as typed, values read) is Windows-1252 and reaches a front end's
// toolkit through its own conversion; what is composed here from such text takes it as it is.
#include <string>
#include <vector>

#include "language/catalogue.h"
#include "protocol/new_parameters.h"

namespace korva::console::texts {

// The language the console speaks, chosen once as the program starts (console_language.h); Portuguese
// until then.
void UseLanguage(const language::Catalogue& catalogue);
const language::Catalogue& Language();

// A text of the console's language: a caption, a name, a word. Empty for the empty key.
std::string Text(language::Key key);
// A message of the dialog, whose lines a lone carriage return breaks, as the device's own messages do.
std::string MessageText(const language::Message& message);

// The window's caption, before the program's version.
inline constexpr language::Key kTitlePrefix = "console.title_prefix";

// The controls' captions, and what the readings show before the first reply.
inline constexpr language::Key kReadLiveData = "console.read_live_data";
inline constexpr language::Key kAutomatic = "console.automatic";
inline constexpr language::Key kBatteryAtRest = "console.at_rest.battery";
inline constexpr language::Key kTemperatureAtRest = "console.at_rest.temperature";
inline constexpr language::Key kHumidityAtRest = "console.at_rest.humidity";
inline constexpr language::Key kPresence = "console.presence";
inline constexpr language::Key kLink1 = "console.link_1";
inline constexpr language::Key kLink2 = "console.link_2";
inline constexpr language::Key kLink3 = "console.link_3";
inline constexpr language::Key kReset = "console.reset";
inline constexpr language::Key kResetEc = "console.reset_ec";
inline constexpr language::Key kClockAtRest = "console.at_rest.clock";
inline constexpr language::Key kCurrentParameters = "console.current_parameters";
inline constexpr language::Key kNewParameters = "console.new_parameters";
inline constexpr language::Key kAddressCaption = "console.address";
inline constexpr language::Key kMaskCaption = "console.mask";
inline constexpr language::Key kGatewayCaption = "console.gateway";
inline constexpr language::Key kMacCaption = "console.mac";
inline constexpr language::Key kVersionCaption = "console.version";
inline constexpr language::Key kQuadAtRest = "console.at_rest.quad";
inline constexpr language::Key kMacAtRest = "console.at_rest.mac";
inline constexpr language::Key kVersionAtRest = "console.at_rest.version";
inline constexpr language::Key kReadParameters = "console.read_parameters";
inline constexpr language::Key kWrite = "console.write";
inline constexpr language::Key kRestartPendingLabel = "console.restart_pending_label";
inline constexpr language::Key kRestartPendingTip = "console.restart_pending_tip";

// What a screen reader calls the boxes and readings whose captions sit beside them, by control name.
struct AccessibleName {
    const char* control;
    language::Key name;
};
inline constexpr AccessibleName kAccessibleNames[] = {
    {"stBat", "console.name.battery"},
    {"stTmp", "console.name.temperature"},
    {"stUmd", "console.name.humidity"},
    {"lbDaHr", "console.name.last_reply"},
    {"edIP1", "console.name.current_address"},
    {"stMsk1", "console.name.current_mask"},
    {"stGW1", "console.name.current_gateway"},
    {"stMac1", "console.mac"},
    {"stVrs", "console.version"},
    {"edIP2", "console.name.new_address"},
    {"edMsk2", "console.name.new_mask"},
    {"edGW2", "console.name.new_gateway"},
};

// The message dialog's buttons.
inline constexpr language::Key kYesButton = "console.button.yes";
inline constexpr language::Key kNoButton = "console.button.no";
inline constexpr language::Key kOkButton = "console.button.ok";

// The messages.
inline constexpr language::Key kConfirmWrite = "console.confirm_write";
inline constexpr language::Key kWriteDone = "console.write_done";
inline constexpr language::Key kRestartPending = "console.restart_pending";
inline constexpr language::Key kResetNotConfirmed = "console.reset_not_confirmed";
inline constexpr language::Key kNoReply = "console.no_reply";
// A button waits for the name typed as the device's address to be found.
inline constexpr language::Key kLookingUpAddress = "console.looking_up_address";
// Asked at the second close whose save failed.
inline constexpr language::Key kCloseWithoutSaving = "console.close_without_saving";

// After a close whose settings went to the user's folder, since the file they were read from cannot be
// written; both paths in UTF-8.
std::string SettingsSavedElsewhere(const std::string& readFrom, const std::string& savedTo);

// What the box of the new parameters is called in the window: "endereço", "máscara", "gateway".
std::string BoxName(ParameterBox box);

// "sem resposta de 10.0.0.7"
std::string NoReplyFrom(const std::string& address);

// A device restarts after its reset: where it is awaited, and where it was before when it stays silent.
// "Reset confirmado: o dispositivo reinicia em 10.0.0.9"
std::string ResetConfirmed(const std::string& address);
// "reiniciando em 10.0.0.9", beside the clock while the device restarts
std::string RestartingAt(const std::string& address);
// "sem resposta em 10.0.0.9; antes em 10.0.0.7"
std::string NoReplyAfterMove(const std::string& address, const std::string& before);
// "Reset de 10.0.0.7 cancelado: o endereço mudou."
std::string ResetCancelled(const std::string& address);

// Why a value of the new parameters (Windows-1252, as typed) is not sent: the box, the value and the
// reason, on lines of their own.
std::string RefusedValue(const NewParameters& parameters, const ParameterProblem& problem);

// One line of the change a write makes: "endereço 10.0.0.7 → 10.0.0.9", or "endereço 10.0.0.9" when
// the value the device holds was not read.
struct Change {
    ParameterBox box;
    std::string from;  // as the device reported it (Windows-1252); empty when not read
    std::string to;    // a plain dotted quad
};
// The write question with the change below it.
std::string ConfirmWrite(const std::vector<Change>& changes);

// What an indicator shows, in words for those who cannot see its colour: "rede 2: ligada".
enum class LedState { kDark, kGood, kBad };
std::string LedDescription(language::Key caption, LedState state, bool stale);

}  // namespace korva::console::texts
