#pragma once
// The window system's default error box: what an error escaping a button handler turns into.
#include <QString>

class QWidget;

namespace korva::console {

// The message as the box shows it: a "." is added when the last character sorts after ".", so a
// message that already ends in a full stop (or a line break) is left alone.
QString ErrorBoxText(const QString& message);

// A modal critical box titled with the application title, the message, and one OK button.
void ShowErrorBox(QWidget* parent, const QString& message);

}  // namespace korva::console
