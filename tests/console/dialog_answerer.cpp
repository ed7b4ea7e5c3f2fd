#include "dialog_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <utility>

#include "console/qt/TfrNrm01.h"
#include "console/message_buttons.h"

using korva::console::TfrNrm01;

DialogAnswerer::DialogAnswerer(QString questionButton) : questionButton_(std::move(questionButton)) {
    // Polled rather than hooked: the dialog's nested event loop runs this timer too.
    poll_.setInterval(5);
    connect(&poll_, &QTimer::timeout, this, &DialogAnswerer::AnswerModal);
    poll_.start();
}

void DialogAnswerer::AnswerModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return;
    if (auto* message = qobject_cast<TfrNrm01*>(modal)) {
        // The timer may fire again before the dialog has left the screen; answer each one once.
        if (message->property("answered").toBool())
            return;
        message->setProperty("answered", true);
        seen_.push_back({QStringLiteral("TfrNrm01"), QString(), message->MessageText(), message->MessageColour(),
                         message->Kind(), message->RemainingTicks(), false});
        const QString button = korva::console::ButtonsOf(message->Kind()).sim ? questionButton_ : QStringLiteral("btOK");
        if (button == kReturnKey)
            QTest::keyClick(message->focusWidget(), Qt::Key_Return);
        else
            message->findChild<QPushButton*>(button)->click();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        seen_.push_back({QStringLiteral("QMessageBox"), box->windowTitle(), box->text(), QColor(), -1, -1,
                         box->icon() == QMessageBox::Critical});
        box->button(QMessageBox::Ok)->click();
    }
}
