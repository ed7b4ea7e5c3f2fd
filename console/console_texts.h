#pragma once
// The console's own words, in one place for every front end: UTF-8, Portuguese like the rest of the
// window. Device text (addresses as typed, values read) is Windows-1252 and reaches a front end's
// toolkit through its own conversion; what is composed here from such text takes it as it is.
#include <string>
#include <vector>

#include "protocol/new_parameters.h"

namespace korva::console::texts {

// The window's caption, before the program's version.
inline constexpr const char* kTitlePrefix = "Melk - Configuração Korva - v";

// The controls' captions, and what the readings show before the first reply.
inline constexpr const char* kReadLiveData = "lê dados";
inline constexpr const char* kAutomatic = "aut";
inline constexpr const char* kBatteryAtRest = "24,4 V";
inline constexpr const char* kTemperatureAtRest = "26 °C";
inline constexpr const char* kHumidityAtRest = "26 %";
inline constexpr const char* kPresence = "presença";
inline constexpr const char* kLink1 = "rede 1";
inline constexpr const char* kLink2 = "rede 2";
inline constexpr const char* kLink3 = "rede 3";
inline constexpr const char* kReset = "reset";
inline constexpr const char* kResetEc = "reset EC";
inline constexpr const char* kClockAtRest = "00/00/00 00:00:00";
inline constexpr const char* kCurrentParameters = "parâmetros atuais";
inline constexpr const char* kNewParameters = "parâmetros novos";
inline constexpr const char* kAddressCaption = "endereço";
inline constexpr const char* kMaskCaption = "máscara";
inline constexpr const char* kGatewayCaption = "gateway";
inline constexpr const char* kMacCaption = "mac address";
inline constexpr const char* kVersionCaption = "versão / data";
inline constexpr const char* kQuadAtRest = "000.000.000.000";
inline constexpr const char* kMacAtRest = "00-00-00-00-00-00";
inline constexpr const char* kVersionAtRest = "1.30 00/00/00 00:00";
inline constexpr const char* kReadParameters = "lê parâmetros";
inline constexpr const char* kWrite = "altera  IP/msk/GW";  // two blanks
inline constexpr const char* kRestartPendingLabel = "reinicialização\npendente";
inline constexpr const char* kRestartPendingTip =
    "Este dispositivo contém parâmetros alterados que serão válidos somente após sua reinicialização.";

// What a screen reader calls the boxes and readings whose captions sit beside them, by control name.
struct AccessibleName {
    const char* control;
    const char* name;
};
inline constexpr AccessibleName kAccessibleNames[] = {
    {"stBat", "bateria"},        {"stTmp", "temperatura"},    {"stUmd", "umidade"},       {"lbDaHr", "última resposta"},
    {"edIP1", "endereço atual"}, {"stMsk1", "máscara atual"}, {"stGW1", "gateway atual"}, {"stMac1", "mac address"},
    {"stVrs", "versão / data"},  {"edIP2", "endereço novo"},  {"edMsk2", "máscara nova"}, {"edGW2", "gateway novo"},
};

// The messages.
inline constexpr const char* kConfirmWrite = "Confirma alteração de parâmetros ?";
inline constexpr const char* kWriteDone = "parâmetros alterados";
// A lone carriage return breaks the line, as the device's own messages do.
inline constexpr const char* kRestartPending =
    "O KORVA teve parâmetros alterados.\rOs mesmos estarão efetivos após a sua reinicialização";
inline constexpr const char* kResetNotConfirmed =
    "Reset não confirmado:\ro dispositivo não respondeu a nenhum dos 15 comandos de reset.";
inline constexpr const char* kNoReply = "sem resposta";
// A button waits for the name typed as the device's address to be found.
inline constexpr const char* kLookingUpAddress = "procurando o endereço";
// Asked at the second close whose save failed.
inline constexpr const char* kCloseWithoutSaving =
    "Não foi possível gravar as configurações.\rFechar assim mesmo? O endereço, a máscara e o gateway digitados "
    "serão perdidos.";

// After a close whose settings went to the user's folder, since the file they were read from cannot be
// written; both paths in UTF-8.
std::string SettingsSavedElsewhere(const std::string& readFrom, const std::string& savedTo);

// What the box of the new parameters is called in the window: "endereço", "máscara", "gateway".
const char* BoxName(ParameterBox box);

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
std::string LedDescription(const std::string& caption, LedState state, bool stale);

}  // namespace korva::console::texts
