// KorvaCfg's thirty controls as the bare windows of the start-up benchmarks build them, one table for
// every toolkit's floor: 4 buttons, 4 edit boxes, 16 labels and static texts, and the 6 indicators as
// plain labels, at the console's boxes, with texts of the console's lengths (UTF-8).
#pragma once

#include <iterator>

namespace korva::bench {

struct BareControl {
    enum Kind { kButton, kEdit, kLabel } kind;
    int x, y, width, height;
    const char* text;
    bool hidden = false;  // the restart notice, shown only when a device asks for it
};

inline constexpr BareControl kBareControls[] = {
    {BareControl::kButton, 10, 15, 86, 24, "lê dados"},
    {BareControl::kLabel, 105, 15, 81, 24, "aut"},
    {BareControl::kLabel, 10, 45, 66, 22, "24,4 V"},
    {BareControl::kLabel, 80, 45, 51, 22, "26 °C"},
    {BareControl::kLabel, 135, 45, 51, 22, "26 %"},
    {BareControl::kLabel, 10, 75, 86, 24, "presença"},
    {BareControl::kLabel, 100, 75, 86, 24, "rede 1"},
    {BareControl::kLabel, 10, 105, 86, 24, "rede 2"},
    {BareControl::kLabel, 100, 105, 86, 24, "rede 3"},
    {BareControl::kButton, 10, 135, 86, 24, "reset"},
    {BareControl::kLabel, 100, 135, 86, 24, "reset EC"},
    {BareControl::kLabel, 25, 165, 146, 22, "00/00/00 00:00:00"},
    {BareControl::kLabel, 290, 5, 166, 22, "parâmetros atuais"},
    {BareControl::kLabel, 470, 5, 166, 22, "parâmetros novos"},
    {BareControl::kLabel, 195, 30, 86, 22, "endereço"},
    {BareControl::kLabel, 195, 60, 86, 22, "máscara"},
    {BareControl::kLabel, 195, 85, 86, 22, "gateway"},
    {BareControl::kLabel, 195, 110, 86, 20, "mac address"},
    {BareControl::kLabel, 195, 135, 86, 20, "versão / data"},
    {BareControl::kEdit, 290, 30, 166, 23, "000.000.000.000"},
    {BareControl::kLabel, 290, 60, 166, 20, "000.000.000.000"},
    {BareControl::kLabel, 290, 85, 166, 20, "000.000.000.000"},
    {BareControl::kLabel, 290, 110, 166, 20, "00-00-00-00-00-00"},
    {BareControl::kLabel, 290, 135, 166, 20, "1.30 00/00/00 00:00"},
    {BareControl::kButton, 290, 160, 166, 31, "lê parâmetros"},
    {BareControl::kEdit, 470, 30, 166, 23, "000.000.000.000"},
    {BareControl::kEdit, 470, 60, 166, 23, "000.000.000.000"},
    {BareControl::kEdit, 470, 85, 166, 23, "000.000.000.000"},
    {BareControl::kButton, 470, 115, 166, 31, "altera  IP/msk/GW"},
    {BareControl::kLabel, 470, 150, 166, 41, "reinicialização", true},
};
static_assert(std::size(kBareControls) == 30);

// The console's client area.
inline constexpr int kBareWindowWidth = 645;
inline constexpr int kBareWindowHeight = 199;

}  // namespace korva::bench
