#include "tools/common/interrupt_signal.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <stdexcept>

namespace korva::tools {
namespace {

HANDLE interruptEvent = nullptr;
bool alsoOnTerminate = false;
std::atomic<bool> interrupted{false};

// Runs on a thread of the system's own. The first Ctrl-C (with alsoTerminate also Ctrl-Break or the
// console's closing) is taken and ends the waits; a second one falls through to the default handler,
// which ends the program.
BOOL WINAPI OnConsoleControl(DWORD control) {
    const bool stops = control == CTRL_C_EVENT || (alsoOnTerminate && control != CTRL_C_EVENT);
    if (!stops || interrupted.exchange(true))
        return FALSE;
    SetEvent(interruptEvent);
    return TRUE;
}

// One line read on a thread of its own, so that the caller can wait for it and for the interrupt at
// once: a console read does not end reliably at Ctrl-Break. Shared, because a read that the interrupt
// left waiting may outlive the call.
struct LineReading {
    HANDLE input = nullptr;
    std::string line;
    bool ended = false;  // standard input ended or failed before the line did
};

DWORD WINAPI ReadOneLine(void* parameter) {
    const std::unique_ptr<std::shared_ptr<LineReading>> owner(static_cast<std::shared_ptr<LineReading>*>(parameter));
    LineReading& reading = **owner;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(reading.input, &c, 1, &got, nullptr) && got == 1) {
        if (c == '\n')
            return 0;
        if (c != '\r')
            reading.line += c;
    }
    reading.ended = true;
    return 0;
}

// Windows aborts a console read at Ctrl-C before the handler's thread has run: an end of input is taken
// for the interrupt when the interrupt follows within this time.
constexpr DWORD kInterruptAfterAbortedRead = 200;

}  // namespace

InterruptHandle InterruptSignal::Install(bool alsoTerminate) {
    if (interruptEvent != nullptr)
        return reinterpret_cast<InterruptHandle>(interruptEvent);
    // Manual reset: once set, every later wait ends at once too.
    interruptEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (interruptEvent == nullptr)
        throw std::runtime_error("cannot create the interrupt event");
    alsoOnTerminate = alsoTerminate;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    return reinterpret_cast<InterruptHandle>(interruptEvent);
}

bool InterruptPending(InterruptHandle interrupt) {
    return interrupt != kNoInterrupt && WaitForSingleObject(reinterpret_cast<HANDLE>(interrupt), 0) == WAIT_OBJECT_0;
}

LineRead ReadLineOrInterrupt(InterruptHandle interrupt, std::string& line) {
    if (InterruptPending(interrupt))
        return LineRead::kInterrupted;
    auto reading = std::make_shared<LineReading>();
    reading->input = GetStdHandle(STD_INPUT_HANDLE);
    auto* threadsShare = new std::shared_ptr<LineReading>(reading);
    const HANDLE thread = CreateThread(nullptr, 0, ReadOneLine, threadsShare, 0, nullptr);
    if (thread == nullptr) {
        delete threadsShare;
        return LineRead::kEnd;
    }
    // The interrupt first: when both are ready, it wins.
    const HANDLE stop = reinterpret_cast<HANDLE>(interrupt);
    const HANDLE waits[2] = {interrupt == kNoInterrupt ? thread : stop, thread};
    const DWORD woken = WaitForMultipleObjects(interrupt == kNoInterrupt ? 1 : 2, waits, FALSE, INFINITE);
    const bool interrupted = interrupt != kNoInterrupt && woken == WAIT_OBJECT_0;
    if (interrupted || (reading->ended && interrupt != kNoInterrupt &&
                        WaitForSingleObject(stop, kInterruptAfterAbortedRead) == WAIT_OBJECT_0)) {
        CancelSynchronousIo(thread);  // the thread ends, or is left waiting as the program ends
        CloseHandle(thread);
        return LineRead::kInterrupted;
    }
    CloseHandle(thread);
    line = std::move(reading->line);
    return reading->ended && line.empty() ? LineRead::kEnd : LineRead::kLine;
}

}  // namespace korva::tools
