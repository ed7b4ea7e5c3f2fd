// An endpoint that cannot start its receiving thread must fail the way every other start-up failure
// does, with a SocketError, and give back the socket it had opened: the console ends quietly on a
// SocketError, while anything else escaping start-up ends it with an abort.
#include "transport/udp_endpoint.h"

#include "own_process.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <system_error>

namespace korva::transport {
namespace {

// What the child saw; its exit status.
enum Outcome {
    kSocketErrorAndNothingLeft = 0,
    kStarted = 10,  // the limit did not stop the thread: the test cannot show anything
    kSystemError = 11,
    kOtherException = 12,
    kDescriptorLeaked = 13,
    kStillActive = 14,
    kLimitRefused = 15,
};

std::size_t AddressSpaceBytes() {
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

std::size_t DefaultThreadStackBytes() {
    pthread_attr_t attributes;
    std::size_t size = 0;
    if (pthread_getattr_default_np(&attributes) == 0) {
        pthread_attr_getstacksize(&attributes, &size);
        pthread_attr_destroy(&attributes);
    }
    return size;
}

const char* Describe(int outcome) {
    switch (outcome) {
        case kSystemError:
            return "std::system_error escaped instead of a SocketError";
        case kOtherException:
            return "an exception other than SocketError escaped";
        case kDescriptorLeaked:
            return "the socket or the wake-up descriptor stayed open";
        case kStillActive:
            return "the endpoint calls itself active";
        default:
            return "unexpected exit status";
    }
}

// Runs in the forked child, which reports by its exit status alone: no test assertions there.
[[noreturn]] void StartWithoutRoomForAThread() {
    UdpEndpoint endpoint([](const std::string&, const Sender&) {}, [] {});
    const std::size_t descriptors = testing::OpenDescriptorCount();

    rlimit original{};
    getrlimit(RLIMIT_AS, &original);
    // Room for small allocations, not for the new thread's stack.
    rlimit tight = original;
    tight.rlim_cur = AddressSpaceBytes() + DefaultThreadStackBytes() / 4;
    if (setrlimit(RLIMIT_AS, &tight) != 0)
        _exit(kLimitRefused);

    Outcome outcome = kStarted;
    try {
        endpoint.SetActive(true);
    } catch (const SocketError&) {
        outcome = kSocketErrorAndNothingLeft;
    } catch (const std::system_error&) {
        outcome = kSystemError;
    } catch (...) {
        outcome = kOtherException;
    }
    setrlimit(RLIMIT_AS, &original);

    if (outcome == kSocketErrorAndNothingLeft && testing::OpenDescriptorCount() != descriptors)
        outcome = kDescriptorLeaked;
    if (outcome == kSocketErrorAndNothingLeft && endpoint.Active())
        outcome = kStillActive;
    _exit(outcome);
}

TEST(UdpEndpointStart, ThreadRefusedIsASocketErrorThatLeavesNothingOpen) {
    // fork() copies only the calling thread: another thread's locks could be held for ever in the child.
    ASSERT_EQ(testing::ThreadIds().size(), 1u) << "the test process must be single-threaded here";
    ASSERT_GT(DefaultThreadStackBytes(), 0u);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        StartWithoutRoomForAThread();

    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_FALSE(WIFSIGNALED(status)) << "child ended by signal " << WTERMSIG(status);
    ASSERT_TRUE(WIFEXITED(status));
    const int outcome = WEXITSTATUS(status);
    ASSERT_NE(outcome, kStarted) << "the address-space limit did not stop the thread";
    ASSERT_NE(outcome, kLimitRefused) << "setrlimit refused the address-space limit";
    EXPECT_EQ(outcome, kSocketErrorAndNothingLeft) << Describe(outcome);
}

}  // namespace
}  // namespace korva::transport
