#include "transport/udp_endpoint.h"

#include "transport/host_address.h"
#include "transport/socket_errors.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace korva::transport {
namespace {

constexpr std::size_t kReceiveBufferSize = 8192;
constexpr std::chrono::microseconds kHandlerSpin{200};
// The largest payload an IPv4 UDP datagram can carry.
constexpr std::size_t kLargestDatagram = 65507;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~FileDescriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

struct HandOver {
    std::string bytes;
    Sender from;
    bool taken = false;              // the owner has started the handler
    std::atomic<bool> done = false;  // the handler has returned; read without the lock while spinning
};

// Everything that lives from one activation to the next deactivation.
struct Session {
    FileDescriptor socket;
    FileDescriptor wakeUp;  // eventfd: closing a socket does not end a poll() that waits on it
    std::uint16_t localPort = 0;
    std::thread receiver;
    bool stopRequested = false;
    bool receiverEnded = false;
    std::shared_ptr<HandOver> pending;
};

FileDescriptor OpenBoundSocket() {
    FileDescriptor socketFd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (socketFd.get() < 0)
        throw SocketError(0, kCannotAllocateSocket);

    const int off = 0;
    if (setsockopt(socketFd.get(), SOL_SOCKET, SO_BROADCAST, &off, sizeof off) != 0) {
        throw SocketErrorFromErrno(errno);
    }
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    any.sin_port = 0;
    if (bind(socketFd.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        if (errno == EADDRINUSE)
            throw SocketError(0, kCannotBindAddressInUse);
        throw SocketErrorFromErrno(errno);
    }
    return socketFd;
}

std::uint16_t BoundPort(int socketFd) {
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (getsockname(socketFd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        throw SocketErrorFromErrno(errno);
    }
    return ntohs(bound.sin_port);
}

Sender SenderOf(const sockaddr_in& address) {
    std::array<char, INET_ADDRSTRLEN> text{};
    inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size());
    return Sender{text.data(), ntohs(address.sin_port)};
}

}  // namespace

struct UdpEndpoint::Impl {
    DatagramHandler handler;
    WakeOwner wakeOwner;
    std::chrono::milliseconds readWait;

    std::mutex mutex;
    std::condition_variable changed;
    std::shared_ptr<Session> session;  // null while inactive or while being closed

    void Open();
    void Close();
    void Receive(const std::shared_ptr<Session>& session);
    void WaitForHandler(std::unique_lock<std::mutex>& lock, Session& session,
                        const std::shared_ptr<HandOver>& handOver);
    // Runs the handler with the mutex released. Takes its own reference: the receiving thread may drop
    // the session's reference while the handler runs.
    void Run(std::unique_lock<std::mutex>& lock, std::shared_ptr<HandOver> handOver);
};

void UdpEndpoint::Impl::Open() {
    auto opened = std::make_shared<Session>();
    opened->socket = OpenBoundSocket();
    opened->localPort = BoundPort(opened->socket.get());
    opened->wakeUp = FileDescriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (opened->wakeUp.get() < 0)
        throw SocketErrorFromErrno(errno);

    opened->receiver = std::thread([this, opened] { Receive(opened); });
    std::lock_guard lock(mutex);
    session = opened;
}

void UdpEndpoint::Impl::Close() {
    std::unique_lock lock(mutex);
    // Taking the session out first makes a nested deactivation (from a handler that this very loop
    // runs) return at once instead of waiting for a thread that the outer call is already ending.
    const std::shared_ptr<Session> closing = std::exchange(session, nullptr);
    if (!closing)
        return;

    closing->stopRequested = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(closing->wakeUp.get(), &one, sizeof one);
    changed.notify_all();

    // The receiving thread may be parked on a hand-over the owner has not served yet; serve it here,
    // or the thread would wait for the owner while the owner waits for the thread.
    while (!closing->receiverEnded) {
        if (closing->pending && !closing->pending->taken) {
            Run(lock, closing->pending);
        } else {
            changed.wait(lock);
        }
    }
    lock.unlock();
    closing->receiver.join();
    shutdown(closing->socket.get(), SHUT_WR);
}

void UdpEndpoint::Impl::Run(std::unique_lock<std::mutex>& lock, std::shared_ptr<HandOver> handOver) {
    handOver->taken = true;
    lock.unlock();
    try {
        handler(handOver->bytes, handOver->from);
    } catch (...) {
        // A faulty reply must not stop the endpoint; the next datagram is handled as usual.
    }
    lock.lock();
    handOver->done = true;
    changed.notify_all();
}

void UdpEndpoint::Impl::WaitForHandler(std::unique_lock<std::mutex>& lock, Session& current,
                                       const std::shared_ptr<HandOver>& handOver) {
    // Most replies are handled within microseconds: a short spin first spares this thread the sleep and
    // the wake-up, which cost more than the handler itself when replies pour in. A handler that takes
    // longer (a message box) finds the thread asleep on the condition below.
    lock.unlock();
    const auto spinUntil = std::chrono::steady_clock::now() + kHandlerSpin;
    while (!handOver->done.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < spinUntil) {
        std::this_thread::yield();
    }
    lock.lock();
    // When deactivation starts while the handler runs, that handler may be the one deactivating:
    // stop waiting for it. A hand-over not yet started is still served by the deactivation.
    changed.wait(lock, [&] { return handOver->done || (current.stopRequested && handOver->taken); });
    current.pending.reset();
}

void UdpEndpoint::Impl::Receive(const std::shared_ptr<Session>& current) {
    std::array<char, kReceiveBufferSize> buffer;
    std::unique_lock lock(mutex);
    while (!current->stopRequested) {
        lock.unlock();
        std::array<pollfd, 2> waitFor{pollfd{current->socket.get(), POLLIN, 0},
                                      pollfd{current->wakeUp.get(), POLLIN, 0}};
        const int ready = poll(waitFor.data(), waitFor.size(), static_cast<int>(readWait.count()));
        ssize_t length = -1;
        sockaddr_in from{};
        if (ready > 0 && waitFor[0].revents != 0) {
            socklen_t fromLength = sizeof from;
            // MSG_TRUNC makes recvfrom report the datagram's real length, so that one longer than the
            // buffer is recognised and dropped whole instead of being handed on cut short.
            length = recvfrom(current->socket.get(), buffer.data(), buffer.size(), MSG_TRUNC,
                              reinterpret_cast<sockaddr*>(&from), &fromLength);
        }
        lock.lock();
        // Read errors lose the datagram, as do the errors an unreachable port answers with.
        if (current->stopRequested || length < 0 || static_cast<std::size_t>(length) > buffer.size()) {
            continue;
        }
        auto handOver = std::make_shared<HandOver>();
        handOver->bytes.assign(buffer.data(), static_cast<std::size_t>(length));
        handOver->from = SenderOf(from);
        current->pending = handOver;
        changed.notify_all();
        lock.unlock();
        wakeOwner();
        lock.lock();
        WaitForHandler(lock, *current, handOver);
    }
    current->receiverEnded = true;
    changed.notify_all();
}

UdpEndpoint::UdpEndpoint(DatagramHandler handler, WakeOwner wakeOwner, std::chrono::milliseconds readWait)
    : impl_(std::make_unique<Impl>()) {
    impl_->handler = std::move(handler);
    impl_->wakeOwner = std::move(wakeOwner);
    impl_->readWait = readWait;
}

UdpEndpoint::~UdpEndpoint() {
    impl_->Close();
}

void UdpEndpoint::SetActive(bool active) {
    if (active == Active())
        return;
    if (active) {
        impl_->Open();
    } else {
        impl_->Close();
    }
}

bool UdpEndpoint::Active() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->session != nullptr;
}

std::uint16_t UdpEndpoint::LocalPort() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->session ? impl_->session->localPort : 0;
}

void UdpEndpoint::Send(std::string_view host, std::uint16_t port, std::string_view data) {
    std::shared_ptr<Session> current;
    {
        std::lock_guard lock(impl_->mutex);
        current = impl_->session;
    }
    if (!current)
        throw SocketErrorFromCode(kSocketOperationOnNonSocket);

    const std::uint32_t address = ResolveHost(host);
    // Linux delivers datagrams for 0.0.0.0 to the local host; an address box left at
    // "000.000.000.000" must fail the way it always has instead of talking to whatever listens here.
    if (address == INADDR_ANY)
        throw SocketErrorFromCode(kCannotAssignRequestedAddress);
    if (data.size() > kLargestDatagram)
        throw SocketError(0, kPackageSizeTooBig);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(port);
    const ssize_t sent =
        sendto(current->socket.get(), data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent < 0) {
        if (errno == EMSGSIZE)
            throw SocketError(0, kPackageSizeTooBig);
        throw SocketErrorFromErrno(errno);
    }
    if (static_cast<std::size_t>(sent) != data.size())
        throw SocketError(0, kNotAllBytesSent);
}

void UdpEndpoint::ServePending() {
    std::unique_lock lock(impl_->mutex);
    const std::shared_ptr<Session> current = impl_->session;
    if (!current || !current->pending || current->pending->taken)
        return;
    impl_->Run(lock, current->pending);
}

}  // namespace korva::transport
