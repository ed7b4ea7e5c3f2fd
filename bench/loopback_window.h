#pragma once
// The real main window for a benchmark, pointed at a loopback device address through a settings file
// of its own, so that nothing it sends can leave this machine.
#include <QObject>
#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "console/KorvaCfg01.h"

namespace korva::bench {

// Throws std::invalid_argument unless address is a dotted quad in 127.0.0.0/8.
void RequireLoopback(const std::string& address);

// Counts the datagrams the endpoint hands over to the window: each one arrives on the main thread as
// one queued call to the window, seen here just before the window's reply handler runs.
class HandOverCounter : public QObject {
public:
    explicit HandOverCounter(QObject* window);
    std::uint64_t Count() const { return count_.load(std::memory_order_relaxed); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::atomic<std::uint64_t> count_{0};
};

class LoopbackWindow {
public:
    // Creates and shows the window with deviceAddress in its address boxes, then opens its endpoint.
    // Destroyed without being closed: closing would only write the settings file, which goes with it.
    explicit LoopbackWindow(const std::string& deviceAddress);

    TfrKorvaCfg01& Window() { return *window_; }
    const HandOverCounter& HandOvers() const { return *handOvers_; }
    // Switches automatic mode on, as the "aut" indicator's click does.
    void StartPolling();

private:
    QTemporaryDir folder_;
    std::unique_ptr<TfrKorvaCfg01> window_;
    std::unique_ptr<HandOverCounter> handOvers_;
};

}  // namespace korva::bench
