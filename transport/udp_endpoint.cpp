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
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

namespace korva::transport {
namespace {

constexpr std::size_t kReceiveBufferSize = 8192;
// The system's default socket buffer (208 KiB) holds about two hundred small datagrams: a flood from
// one sender on the network fills it within the time the receiving thread waits to be scheduled, and
// the device's replies that arrive then are lost. The system caps this at net.core.rmem_max.
constexpr int kSocketReceiveBuffer = 4 << 20;
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

// The datagrams of one read, waiting to be handled on the owner's thread in arrival order. The receiving
// thread reads nothing more until every one of them has been handled: handing a whole read over at once
// spares the owner one wake-up and the receiving thread one wait per datagram, which cost more than the
// handler itself when replies pour in.
struct HandOver {
    struct Datagram {
        std::string bytes;
        Sender from;
        std::uint32_t source = 0;  // host byte order, for the owner's filter
    };
    std::vector<Datagram> datagrams;
    bool taken = false;  // the owner has started handling them
    bool done = false;   // every handler has returned
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
    // Whatever size the system grants will do; the default is only less robust under a flood.
    [[maybe_unused]] const int sized =
        setsockopt(socketFd.get(), SOL_SOCKET, SO_RCVBUF, &kSocketReceiveBuffer, sizeof kSocketReceiveBuffer);
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

// Reads up to kSize waiting datagrams with one system call. A flood from elsewhere has to be read away
// faster than a single sender writes it, or the device's replies are lost to a full socket buffer; one
// datagram per call was not fast enough for that.
class DatagramBatch {
public:
    static constexpr std::size_t kSize = 32;

    DatagramBatch() : buffers_(kSize * kReceiveBufferSize) {}

    // How many datagrams were read, without waiting; 0 on a read error, which loses the datagram (as
    // do the errors an unreachable port answers with).
    std::size_t Read(int socket) {
        for (std::size_t i = 0; i < kSize; ++i) {
            slices_[i] = iovec{buffers_.data() + i * kReceiveBufferSize, kReceiveBufferSize};
            headers_[i] = mmsghdr{};
            headers_[i].msg_hdr.msg_name = &from_[i];
            headers_[i].msg_hdr.msg_namelen = sizeof from_[i];
            headers_[i].msg_hdr.msg_iov = &slices_[i];
            headers_[i].msg_hdr.msg_iovlen = 1;
        }
        const int count = recvmmsg(socket, headers_.data(), kSize, MSG_DONTWAIT, nullptr);
        return count > 0 ? static_cast<std::size_t>(count) : 0;
    }

    // False for a datagram longer than the buffer: it is dropped whole, never handed on cut short.
    bool Whole(std::size_t i) const { return (headers_[i].msg_hdr.msg_flags & MSG_TRUNC) == 0; }
    std::string_view Bytes(std::size_t i) const {
        return {buffers_.data() + i * kReceiveBufferSize, headers_[i].msg_len};
    }
    const sockaddr_in& From(std::size_t i) const { return from_[i]; }

private:
    std::vector<char> buffers_;
    std::array<iovec, kSize> slices_{};
    std::array<mmsghdr, kSize> headers_{};
    std::array<sockaddr_in, kSize> from_{};
};

Sender SenderOf(const sockaddr_in& address) {
    std::array<char, INET_ADDRSTRLEN> text{};
    inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size());
    return Sender{text.data(), ntohs(address.sin_port)};
}

// What one read brought, whole datagrams only, none of them yet checked against the accepted sources.
std::shared_ptr<HandOver> Collect(const DatagramBatch& batch, std::size_t count) {
    auto collected = std::make_shared<HandOver>();
    collected->datagrams.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (batch.Whole(i)) {
            collected->datagrams.push_back(
                {std::string(batch.Bytes(i)), SenderOf(batch.From(i)), ntohl(batch.From(i).sin_addr.s_addr)});
        }
    }
    return collected;
}

}  // namespace

struct UdpEndpoint::Impl {
    DatagramHandler handler;
    WakeOwner wakeOwner;
    std::chrono::milliseconds readWait;

    std::mutex mutex;
    std::condition_variable changed;
    std::shared_ptr<Session> session;                           // null while inactive or while being closed
    std::optional<std::unordered_set<std::uint32_t>> accepted;  // nullopt: every source is accepted
    std::uint64_t droppedFromElsewhere = 0;
    std::uint64_t handedOver = 0;

    bool Accepts(std::uint32_t source) const { return !accepted || accepted->contains(source); }

    void Open();
    void Close();
    void Receive(const std::shared_ptr<Session>& session);
    // Parks the datagrams for the owner, wakes the owner and waits until their handlers have returned.
    void HandOverAndWait(std::unique_lock<std::mutex>& lock, Session& current, std::shared_ptr<HandOver> handOver);
    void WaitForHandlers(std::unique_lock<std::mutex>& lock, Session& session,
                         const std::shared_ptr<HandOver>& handOver);
    // Runs the handler for each datagram in turn, with the mutex released while it runs. Takes its own
    // reference: the receiving thread may drop the session's reference while a handler runs.
    void Run(std::unique_lock<std::mutex>& lock, const Session& current, std::shared_ptr<HandOver> handOver);
};

void UdpEndpoint::Impl::Open() {
    std::shared_ptr<Session> opened;
    try {
        opened = std::make_shared<Session>();
        opened->socket = OpenBoundSocket();
        opened->localPort = BoundPort(opened->socket.get());
        opened->wakeUp = FileDescriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        if (opened->wakeUp.get() < 0)
            throw SocketErrorFromErrno(errno);

        opened->receiver = std::thread([this, opened] { Receive(opened); });
    } catch (const std::system_error& error) {
        // Out of memory or threads. The callers take a SocketError for a failed start-up and end
        // quietly; anything else escaping start-up would abort the program. The descriptors opened so
        // far close with the session on the way out.
        throw SocketErrorFromErrno(error.code().value());
    } catch (const std::bad_alloc&) {
        throw SocketErrorFromErrno(ENOMEM);
    }
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
            Run(lock, *closing, closing->pending);
        } else {
            changed.wait(lock);
        }
    }
    lock.unlock();
    closing->receiver.join();
    shutdown(closing->socket.get(), SHUT_WR);
}

void UdpEndpoint::Impl::Run(std::unique_lock<std::mutex>& lock, const Session& current,
                            std::shared_ptr<HandOver> handOver) {
    handOver->taken = true;
    const bool stoppingAlready = current.stopRequested;
    for (const HandOver::Datagram& datagram : handOver->datagrams) {
        // A handler may deactivate the endpoint, or change whom it accepts (the operator typed another
        // address): the datagrams after it are treated as if they had been read after it.
        if (current.stopRequested && !stoppingAlready)
            break;
        if (!Accepts(datagram.source)) {
            ++droppedFromElsewhere;
            continue;
        }
        lock.unlock();
        try {
            handler(datagram.bytes, datagram.from);
        } catch (...) {
            // A faulty reply must not stop the endpoint; the next datagram is handled as usual.
        }
        lock.lock();
        ++handedOver;
    }
    handOver->done = true;
    changed.notify_all();
}

void UdpEndpoint::Impl::WaitForHandlers(std::unique_lock<std::mutex>& lock, Session& current,
                                        const std::shared_ptr<HandOver>& handOver) {
    // When deactivation starts while a handler runs, that handler may be the one deactivating: stop
    // waiting for it. A hand-over not yet started is still served by the deactivation.
    changed.wait(lock, [&] { return handOver->done || (current.stopRequested && handOver->taken); });
    current.pending.reset();
}

void UdpEndpoint::Impl::Receive(const std::shared_ptr<Session>& current) {
    DatagramBatch batch;
    std::unique_lock lock(mutex);
    while (!current->stopRequested) {
        lock.unlock();
        std::array<pollfd, 2> waitFor{pollfd{current->socket.get(), POLLIN, 0},
                                      pollfd{current->wakeUp.get(), POLLIN, 0}};
        const int ready = poll(waitFor.data(), waitFor.size(), static_cast<int>(readWait.count()));
        const std::size_t count = ready > 0 && waitFor[0].revents != 0 ? batch.Read(current->socket.get()) : 0;
        std::shared_ptr<HandOver> read = count > 0 ? Collect(batch, count) : nullptr;
        lock.lock();
        if (!read)
            continue;
        // Traffic from elsewhere is dropped here, so that it costs the owner's thread nothing.
        droppedFromElsewhere += std::erase_if(read->datagrams, [&](const auto& d) { return !Accepts(d.source); });
        if (!read->datagrams.empty() && !current->stopRequested)
            HandOverAndWait(lock, *current, std::move(read));
    }
    current->receiverEnded = true;
    changed.notify_all();
}

void UdpEndpoint::Impl::HandOverAndWait(std::unique_lock<std::mutex>& lock, Session& current,
                                        std::shared_ptr<HandOver> handOver) {
    current.pending = handOver;
    changed.notify_all();
    lock.unlock();
    wakeOwner();
    lock.lock();
    WaitForHandlers(lock, current, handOver);
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
    if (!Active())
        throw SocketErrorFromCode(kSocketOperationOnNonSocket);
    SendTo(ResolveHost(host), port, data);
}

void UdpEndpoint::SendTo(std::uint32_t address, std::uint16_t port, std::string_view data) {
    std::shared_ptr<Session> current;
    {
        std::lock_guard lock(impl_->mutex);
        current = impl_->session;
    }
    if (!current)
        throw SocketErrorFromCode(kSocketOperationOnNonSocket);

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

void UdpEndpoint::AcceptOnlyFrom(std::vector<std::uint32_t> sources) {
    std::unordered_set<std::uint32_t> accepted(sources.begin(), sources.end());
    std::lock_guard lock(impl_->mutex);
    impl_->accepted = std::move(accepted);
}

void UdpEndpoint::AlsoAcceptFrom(std::uint32_t source) {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->accepted)
        impl_->accepted.emplace();
    impl_->accepted->insert(source);
}

std::uint64_t UdpEndpoint::DroppedFromElsewhere() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->droppedFromElsewhere;
}

std::uint64_t UdpEndpoint::DatagramsHandedOver() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->handedOver;
}

void UdpEndpoint::ServePending() {
    std::unique_lock lock(impl_->mutex);
    const std::shared_ptr<Session> current = impl_->session;
    if (!current || !current->pending || current->pending->taken)
        return;
    impl_->Run(lock, *current, current->pending);
}

}  // namespace korva::transport
