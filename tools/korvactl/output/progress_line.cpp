#include "tools/korvactl/output/progress_line.h"

#include <cmath>
#include <ostream>

namespace korva::ctl {

namespace {

// Often enough to look alive, seldom enough to cost nothing next to a sweep's sends.
constexpr std::chrono::milliseconds kRedrawEvery{250};
// Carriage return, then erase to the end of the line: the line is rewritten where it stands.
constexpr const char* kRewind = "\r\x1b[K";

std::string Duration(double seconds) {
    const auto whole = static_cast<long long>(std::ceil(seconds));
    if (whole < 60)
        return std::to_string(whole) + "s";
    if (whole < 3600)
        return std::to_string(whole / 60) + "m" + std::to_string(whole % 60) + "s";
    return std::to_string(whole / 3600) + "h" + std::to_string(whole % 3600 / 60) + "m";
}

}  // namespace

std::string ProgressLine::Text(const std::string& prefix, language::Key doing, std::uint64_t total,
                               const ProgressCounts& counts, std::chrono::duration<double> elapsed,
                               const language::Catalogue& texts) {
    std::string text = prefix + texts.Text({"ctl.progress.line",
                                            {{"doing", doing},
                                             {"done", counts.done},
                                             {"total", total},
                                             {"found", counts.found},
                                             {"failed", counts.failed}}});
    const double seconds = elapsed.count();
    if (seconds > 0 && counts.done > 0) {
        const double rate = static_cast<double>(counts.done) / seconds;
        text += texts.Text({"ctl.progress.rate", {{"rate", std::llround(rate)}}});
        if (counts.done < total)
            text +=
                texts.Text({"ctl.progress.eta", {{"time", Duration(static_cast<double>(total - counts.done) / rate)}}});
    }
    return text;
}

void ProgressLine::Track(language::Key doing, std::uint64_t total, std::function<ProgressCounts()> count) {
    doing_ = doing;
    total_ = total;
    count_ = std::move(count);
    started_ = std::chrono::steady_clock::now();
    drawn_ = started_;  // a stage over within a quarter of a second never shows
}

void ProgressLine::Refresh() {
    if (!shown_ || !count_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - drawn_ < kRedrawEvery)
        return;
    drawn_ = now;
    err_ << kRewind << Text(prefix_, doing_, total_, count_(), now - started_, texts_) << std::flush;
    onScreen_ = true;
}

void ProgressLine::Hide() {
    if (onScreen_)
        err_ << kRewind << std::flush;
    onScreen_ = false;
}

void ProgressLine::End() {
    count_ = nullptr;  // what it counted may be gone once its stage is over
    Hide();
}

}  // namespace korva::ctl
