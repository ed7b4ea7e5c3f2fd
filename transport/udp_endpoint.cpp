#include "transport/udp_endpoint.h"

#include "transport/datagram_socket.h"
#include "transport/host_address.h"
#include "transport/socket_errors.h"

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

// The datagrams of one read, waiting to be handled on the owner's thread in arrival order. The receiving
// thread reads nothing more until every one of them has been handled: handing a whole read over at once
// spares the owner one wake-up and the receiving thread one wait per datagram, which cost more than the
// handler itself when replies pour in.
struct HandOver {
    using Datagram = ReceivedDatagram;
    std::vector<Datagram> datagrams;
    bool taken = false;  // the owner has started handling them
    bool done = false;   // every handler has returned
};

// Everything that lives from one activation to the next deactivation.
struct Session {
    std::unique_ptr<DatagramSocket> socket;
    std::uint16_t localPort = 0;
    std::thread receiver;
    bool stopRequested = false;
    bool receiverEnded = false;
    std::shared_ptr<HandOver> pending;
};

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
        opened->socket = std::make_unique<DatagramSocket>();
        opened->localPort = opened->socket->LocalPort();
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
    closing->socket->WakeUp();
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
    closing->socket->ShutDown();
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
    std::unique_lock lock(mutex);
    while (!current->stopRequested) {
        lock.unlock();
        std::shared_ptr<HandOver> read;
        if (current->socket->Wait(readWait)) {
            std::vector<ReceivedDatagram> datagrams = current->socket->ReadWaiting();
            if (!datagrams.empty()) {
                read = std::make_shared<HandOver>();
                read->datagrams = std::move(datagrams);
            }
        }
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
    if (address == 0)
        throw SocketErrorFromCode(kCannotAssignRequestedAddress);
    if (data.size() > kLargestDatagram)
        throw SocketError(0, kPackageSizeTooBig);

    current->socket->SendTo(address, port, data);
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
