#pragma once
// Counts the datagrams the window's endpoint hands to the main thread: each one reaches the window as
// one queued call (QEvent::MetaCall), and the window receives no other queued calls.
#include <QEvent>
#include <QObject>
#include <cstddef>

class HandOverCounter : public QObject {
public:
    explicit HandOverCounter(QObject* window) : window_(window) { window_->installEventFilter(this); }
    ~HandOverCounter() override { window_->removeEventFilter(this); }

    std::size_t count() const { return count_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::MetaCall)
            ++count_;
        return false;
    }

private:
    QObject* window_;
    std::size_t count_ = 0;
};
