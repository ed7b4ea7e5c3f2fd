#include "tests/support/child_process.h"

#include <fstream>
#include <sstream>
#include <thread>

namespace korva::testing {
namespace {

// How long a test waits for a program to say something before it gives up on it.
constexpr auto kPatience = std::chrono::seconds(5);

std::string Contents(const std::string& path, std::size_t from = 0) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string ChildProcess::Out() const {
    return Contents(outPath_);
}
std::string ChildProcess::Err() const {
    return Contents(errPath_);
}

bool ChildProcess::WaitForOut(const std::string& text) const {
    for (const auto giveUp = std::chrono::steady_clock::now() + kPatience; std::chrono::steady_clock::now() < giveUp;) {
        if (Out().find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::optional<std::string> ChildProcess::ReadLine() {
    for (const auto giveUp = std::chrono::steady_clock::now() + kPatience;;) {
        // Asked before reading, so that what the program wrote before it ended is read all the same.
        const bool ended = Ended();
        const std::string unread = Contents(outPath_, lineReadUpTo_);
        if (const std::size_t end = unread.find('\n'); end != std::string::npos) {
            lineReadUpTo_ += end + 1;
            return unread.substr(0, end);
        }
        if (ended || std::chrono::steady_clock::now() >= giveUp)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

Finished RunToEnd(const std::string& program, const std::vector<std::string>& arguments, StandardOutput output) {
    ChildProcess child(program, arguments, output);
    const auto status = child.Wait();
    return {status.value_or(-1), child.Out(), child.Err()};
}

}  // namespace korva::testing
