#include "console/error_box.h"

#include <QMessageBox>

#include "console/application_title.h"

namespace korva::console {

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void ShowErrorBox(QWidget* parent, const QString& message) {
    // Socket errors put CR LF between their code and their text; a label wants a plain line break.
    QString text = ErrorBoxText(message);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace korva::console
