#pragma once
// The window's two faces in bold at a pixel size: Arial for the texts and Monospac821 BT for the
// addresses, or the installed faces with the same metrics when a machine lacks them (Linux has neither).
#include <QFont>

namespace korva::console {

QFont ArialBold(int pixels);
QFont MonoBold(int pixels);

}  // namespace korva::console
