#pragma once
// The application's title: the caption of the default error box and the name the desktop shows for
// the program.
namespace korva::console {

inline constexpr char kApplicationTitle[] = "Configurador TUNO";

}  // namespace korva::console
