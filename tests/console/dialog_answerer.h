#pragma once
// Plays the operator for modal dialogs: while it lives, every modal dialog that opens is recorded and
// answered at once, so no test ever waits for a human or for a dialog's time-out.
#include <QColor>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

struct SeenDialog {
    QString type;    // "TfrNrm01" or "QMessageBox"
    QString title;   // window title (message boxes)
    QString text;    // the message text as given to the dialog
    QColor colour;   // message colour (timed messages)
    int kind = -1;   // timed message kind
    int ticks = -1;  // timed message's remaining 100 ms ticks when it was seen
    bool critical = false;
};

class DialogAnswerer : public QObject {
public:
    // questionButton answers SIM/NÃO questions ("btSim" or "btNao", or kReturnKey: Return pressed on
    // whatever the dialog focused); information is answered with OK.
    explicit DialogAnswerer(QString questionButton = QStringLiteral("btSim"));
    static inline const QString kReturnKey = QStringLiteral("Return");

    const std::vector<SeenDialog>& seen() const { return seen_; }

private:
    void AnswerModal();

    QString questionButton_;
    QTimer poll_;
    std::vector<SeenDialog> seen_;
};
