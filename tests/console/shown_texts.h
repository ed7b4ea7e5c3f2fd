#pragma once
// Every text a label showed while datagrams poured in, looked at just before each hand-over (one queued
// call to the window for each read of the socket). A handled datagram's values reach the screen at the next display
// frame and stay until a later reply's: the ones that came within a frame of another are never shown.
#include <QEvent>
#include <QLabel>
#include <QObject>
#include <QString>
#include <set>

class ShownTexts : public QObject {
public:
    ShownTexts(QObject* window, const QLabel* label) : window_(window), label_(label) {
        window_->installEventFilter(this);
    }
    ~ShownTexts() override { window_->removeEventFilter(this); }

    // Includes what the label shows now.
    std::set<QString> texts() const {
        std::set<QString> all = texts_;
        all.insert(label_->text());
        return all;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::MetaCall)
            texts_.insert(label_->text());
        return false;
    }

private:
    QObject* window_;
    const QLabel* label_;
    std::set<QString> texts_;
};
