#pragma once
// The console's own words, in one place for every front end: UTF-8, Portuguese like the rest of the
// window. Device text (addresses as typed, values read) is Windows-1252 and reaches a front end's
// toolkit through its own conversion; what is composed here from such text takes it as it is.
#include <string>
#include <vector>

#include "protocol/new_parameters.h"

namespace korva::console::texts {

inline constexpr const char* kConfirmWrite = "Confirma alteração de parâmetros ?";
inline constexpr const char* kWriteDone = "parâmetros alterados";
// A lone carriage return breaks the line, as the device's own messages do.
inline constexpr const char* kRestartPending =
    "O KORVA teve parâmetros alterados.\rOs mesmos estarão efetivos após a sua reinicialização";
inline constexpr const char* kResetNotConfirmed =
    "Reset não confirmado:\ro dispositivo não respondeu a nenhum dos 15 comandos de reset.";
inline constexpr const char* kNoReply = "sem resposta";

// What the box of the new parameters is called in the window: "endereço", "máscara", "gateway".
const char* BoxName(ParameterBox box);

// "sem resposta de 10.0.0.7"
std::string NoReplyFrom(const std::string& address);

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
