#pragma once
// The window system's default error box: what an error escaping a button handler turns into.
#include <QString>

class QWidget;

namespace korva::console {

// A modal critical box titled with the application title, the message (ErrorBoxText), and one OK button.
void ShowErrorBox(QWidget* parent, const QString& message);

}  // namespace korva::console
