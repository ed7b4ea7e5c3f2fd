#include "console/console_texts.h"

#include <string_view>

#include "protocol/cp1252.h"

namespace korva::console::texts {
namespace {

std::string Why(const NewParameters& parameters, ParameterFault fault) {
    switch (fault) {
        case ParameterFault::kNotDottedQuad:
            return "não tem a forma a.b.c.d: quatro números de 0 a 255 separados por pontos.";
        case ParameterFault::kMaskNotContiguous:
            return "não é contígua: todos os bits 1 vêm antes dos bits 0, como em 255.255.255.0.";
        case ParameterFault::kMaskLeavesNoRoom:
            return "não deixa lugar na sub-rede para o dispositivo e o gateway.";
        case ParameterFault::kNetworkAddress:
            return "é o endereço da própria sub-rede.";
        case ParameterFault::kBroadcastAddress:
            return "é o endereço de broadcast da sub-rede.";
        case ParameterFault::kGatewayOutsideSubnet:
            return "está fora da sub-rede de " + parameters.address + " com máscara " + parameters.mask + ".";
        case ParameterFault::kGatewayIsAddress:
            return "é o próprio endereço novo do dispositivo.";
        case ParameterFault::kThisNetwork:
            return "está em 0.0.0.0/8, que quer dizer \"esta rede\": nenhum dispositivo tem esse endereço.";
        case ParameterFault::kMulticast:
            return "é um endereço multicast (224.0.0.0/4), de um grupo e não de um dispositivo.";
        case ParameterFault::kReserved:
            return "está em 240.0.0.0/4, reservado (o broadcast 255.255.255.255 também): nenhum dispositivo tem "
                   "esse endereço.";
        case ParameterFault::kLinkLocal:
            return "é link-local (169.254.0.0/16): vale só no próprio segmento e nunca passa por um gateway.";
        case ParameterFault::kLoopback:
            break;
    }
    return "é de loopback (127.0.0.0/8): só um dispositivo simulado neste computador pode tê-lo.";
}

// The box under "parâmetros novos", with the adjective agreeing: "máscara nova".
std::string NewBoxName(ParameterBox box) {
    return std::string(BoxName(box)) + (box == ParameterBox::kMask ? " nova" : " novo");
}

// The words for each indicator's states; the lit good state first.
struct LedWords {
    std::string_view caption;
    std::string_view good;
    std::string_view bad;
    std::string_view dark;
};
constexpr LedWords kLedWords[] = {
    {kAutomatic, "ligado", "ligado", "desligado"},
    {kPresence, "detectada", "não detectada", "sem leitura"},
    {kResetEc, "inativo", "ativo", "sem leitura"},
};
constexpr LedWords kNetworkLinkWords = {"rede", "ligada", "desligada", "sem leitura"};

const LedWords& WordsFor(std::string_view caption) {
    for (const LedWords& words : kLedWords) {
        if (words.caption == caption)
            return words;
    }
    return kNetworkLinkWords;
}

}  // namespace

const char* BoxName(ParameterBox box) {
    switch (box) {
        case ParameterBox::kAddress:
            return kAddressCaption;
        case ParameterBox::kMask:
            return kMaskCaption;
        case ParameterBox::kGateway:
            break;
    }
    return kGatewayCaption;
}

std::string SettingsSavedElsewhere(const std::string& readFrom, const std::string& savedTo) {
    return "O arquivo de configurações\r" + readFrom +
           "\rnão pode ser alterado. O endereço, a máscara e o gateway foram gravados em\r" + savedTo +
           "\re serão lidos de lá daqui em diante.";
}

std::string NoReplyFrom(const std::string& address) {
    return std::string(kNoReply) + " de " + address;
}

std::string ResetConfirmed(const std::string& address) {
    return "Reset confirmado: o dispositivo reinicia em " + address;
}

std::string RestartingAt(const std::string& address) {
    return "reiniciando em " + address;
}

std::string NoReplyAfterMove(const std::string& address, const std::string& before) {
    return std::string(kNoReply) + " em " + address + "; antes em " + before;
}

std::string ResetCancelled(const std::string& address) {
    return "Reset de " + address + " cancelado: o endereço mudou.";
}

std::string RefusedValue(const NewParameters& parameters, const ParameterProblem& problem) {
    const std::string& value = ValueIn(parameters, problem.box);
    return NewBoxName(problem.box) + ": " + (value.empty() ? "(vazio)" : Cp1252ToUtf8(value)) + "\r" +
           Why(parameters, problem.fault) + "\rNada foi enviado ao dispositivo.";
}

std::string ConfirmWrite(const std::vector<Change>& changes) {
    std::string text = kConfirmWrite;
    text += "\r";
    if (changes.empty())
        text += "\rnenhum valor difere dos parâmetros lidos";
    for (const Change& change : changes) {
        text += "\r";
        text += BoxName(change.box);
        text += " ";
        if (!change.from.empty())
            text += Cp1252ToUtf8(change.from) + " → ";
        text += change.to;
    }
    return text;
}

std::string LedDescription(const std::string& caption, LedState state, bool stale) {
    const LedWords& words = WordsFor(caption);
    const std::string_view word = state == LedState::kGood  ? words.good
                                  : state == LedState::kBad ? words.bad
                                                            : words.dark;
    std::string text = caption + ": " + std::string(word);
    if (stale && state != LedState::kDark)
        text += " (" + std::string(kNoReply) + ")";
    return text;
}

}  // namespace korva::console::texts
