// The wait for a typed line: it ends with the line, at the end of input, or at the request to stop,
// whichever comes first. Standard input is a pipe the test writes.
#include "tools/common/interrupt_signal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace korva::tools {
namespace {

// Standard input replaced by a pipe for the test's life; Write feeds it, Close ends it.
class PipedInput {
public:
    PipedInput() {
#ifdef _WIN32
        CreatePipe(&read_, &write_, nullptr, 0);
        saved_ = GetStdHandle(STD_INPUT_HANDLE);
        SetStdHandle(STD_INPUT_HANDLE, read_);
#else
        int ends[2];
        [[maybe_unused]] const int made = pipe(ends);
        read_ = ends[0];
        write_ = ends[1];
        saved_ = dup(STDIN_FILENO);
        dup2(read_, STDIN_FILENO);
#endif
    }
    ~PipedInput() {
        Close();
#ifdef _WIN32
        SetStdHandle(STD_INPUT_HANDLE, saved_);
        CloseHandle(read_);
#else
        dup2(saved_, STDIN_FILENO);
        close(saved_);
        close(read_);
#endif
    }
    void Write(const std::string& text) {
#ifdef _WIN32
        DWORD written = 0;
        WriteFile(write_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
#else
        [[maybe_unused]] const auto written = write(write_, text.data(), text.size());
#endif
    }
    void Close() {
#ifdef _WIN32
        if (write_ != nullptr)
            CloseHandle(write_);
        write_ = nullptr;
#else
        if (write_ >= 0)
            close(write_);
        write_ = -1;
#endif
    }

private:
#ifdef _WIN32
    HANDLE read_ = nullptr, write_ = nullptr, saved_ = nullptr;
#else
    int read_ = -1, write_ = -1, saved_ = -1;
#endif
};

TEST(ReadLineOrInterrupt, ALineOrTheEndOfInput) {
    const struct {
        const char* typed;
        LineRead read;
        const char* line;
    } cases[] = {
        {"y\n", LineRead::kLine, "y"},
        {"yes\nno\n", LineRead::kLine, "yes"},  // one line, the rest left for later
        {"partial", LineRead::kLine, "partial"},
        {"", LineRead::kEnd, ""},
    };
    for (const auto& c : cases) {
        PipedInput input;
        input.Write(c.typed);
        input.Close();
        std::string line = "left over";
        EXPECT_EQ(ReadLineOrInterrupt(kNoInterrupt, line), c.read) << c.typed;
        EXPECT_EQ(line, c.line);
    }
}

TEST(ReadLineOrInterrupt, TheRequestToStopEndsTheWaitAndStays) {
    PipedInput input;  // nothing typed, never closed: only the interrupt can end the wait
    const InterruptHandle interrupt = InterruptSignal::Install(true);
    EXPECT_FALSE(InterruptPending(interrupt));
    std::thread user([interrupt] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
#ifdef _WIN32
        // Wine gives the test no console to send Ctrl-C through: the event the handler sets, set here.
        SetEvent(reinterpret_cast<HANDLE>(interrupt));
#else
        std::raise(SIGINT);
#endif
    });
    std::string line;
    EXPECT_EQ(ReadLineOrInterrupt(interrupt, line), LineRead::kInterrupted);
    user.join();
    EXPECT_TRUE(InterruptPending(interrupt));
    // A line typed after the request is too late: every later wait ends at once.
    input.Write("y\n");
    EXPECT_EQ(ReadLineOrInterrupt(interrupt, line), LineRead::kInterrupted);
}

}  // namespace
}  // namespace korva::tools
