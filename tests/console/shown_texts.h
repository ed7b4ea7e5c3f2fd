#pragma once
// Every text a label showed while datagrams poured in, looked at just before each hand-over (one queued
// call on the window's thread for each read of the socket) and any other queued call. A handled datagram's values reach
// the screen at the next display frame and stay until a later reply's: the ones that came within a frame of another are
// never shown.
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QObject>
#include <QString>
#include <set>

class ShownTexts : public QObject {
public:
    explicit ShownTexts(const QLabel* label) : label_(label) { QCoreApplication::instance()->installEventFilter(this); }
    ~ShownTexts() override { QCoreApplication::instance()->removeEventFilter(this); }

    // Includes what the label shows now.
    std::set<QString> texts() const {
        std::set<QString> all = texts_;
        all.insert(label_->text());
        return all;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall)
            texts_.insert(label_->text());
        return false;
    }

private:
    const QLabel* label_;
    std::set<QString> texts_;
};
