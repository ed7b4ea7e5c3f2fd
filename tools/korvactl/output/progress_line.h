#pragma once
// The line a long command keeps up to date on a terminal: how far it is, what it found or failed so far,
// its pace and the time left. It is redrawn in place a few times a second and cleared before the
// command's closing lines, so nothing of it stays on the screen or reaches a file or a pipe.
#include "language/catalogue.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace korva::ctl {

struct ProgressCounts {
    std::uint64_t done = 0;
    std::uint64_t found = 0;
    std::uint64_t failed = 0;
};

class ProgressLine {
public:
    // shown: false makes every call do nothing (standard error is no terminal, or --no-progress).
    // besideOutput: the results go to the same terminal. texts: the language of the line.
    ProgressLine(std::ostream& err, bool shown, std::string prefix, bool besideOutput = false,
                 const language::Catalogue& texts = language::English())
        : err_(err), texts_(texts), shown_(shown), besideOutput_(besideOutput), prefix_(std::move(prefix)) {}
    ~ProgressLine() { End(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Begins a stage: "asking" (ctl.progress.asking) 4096 addresses, counted by count whenever the line is
    // redrawn.
    void Track(language::Key doing, std::uint64_t total, std::function<ProgressCounts()> count);
    // Redraws the line when a quarter of a second has passed since it was drawn last.
    void Refresh();
    // Takes the line off the screen for a message to be written in its place; the next Refresh draws it
    // again below the message.
    void Hide();
    // Hides the line when results are about to be written on its terminal, so that none starts after it.
    void BeforeOutput() {
        if (besideOutput_)
            Hide();
    }
    // Ends the stage and takes the line off the screen; nothing is drawn until the next Track.
    void End();

    // "korvactl scan: asking 1200/4096, 37 found, 0 failed, 400/s, ETA 7s"
    static std::string Text(const std::string& prefix, language::Key doing, std::uint64_t total,
                            const ProgressCounts& counts, std::chrono::duration<double> elapsed,
                            const language::Catalogue& texts);

private:
    std::ostream& err_;
    const language::Catalogue& texts_;
    bool shown_;
    bool besideOutput_;
    std::string prefix_;
    language::Key doing_;
    std::uint64_t total_ = 0;
    std::function<ProgressCounts()> count_;
    std::chrono::steady_clock::time_point started_{};
    std::chrono::steady_clock::time_point drawn_{};
    bool onScreen_ = false;
};

}  // namespace korva::ctl
