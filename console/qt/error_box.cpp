#include "console/qt/error_box.h"

#include <QMessageBox>

#include "console/application_title.h"
#include "console/display_formats.h"

namespace korva::console {

void ShowErrorBox(QWidget* parent, const QString& message) {
    // Socket errors put CR LF between their code and their text; a label wants a plain line break.
    QString text = QString::fromStdString(ErrorBoxText(message.toStdString()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace korva::console
