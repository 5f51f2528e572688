// An unbounded in-process channel: many senders, one receiver.
//
// Senders are counted; once the last one is gone and the queue is empty, the
// receiver sees the channel as disconnected. Sending never blocks, and a send
// after the receiver is gone is refused without error so the value is dropped.
// Besides blocking receives, the receiver offers an eventfd that is readable
// while a message waits or the channel is disconnected, for use in poll().
#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "base/error.hpp"
#include "cli/os/os_error.hpp"

namespace tolv::cli {

enum class RecvStatus { Message, Timeout, Disconnected };

namespace detail {

template <class T>
struct ChannelState {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<T> queue;
    std::size_t senders = 0;
    bool receiver_alive = true;
    // Written with the mutex held whenever the receiver has something to
    // take; read back to zero when the queue empties.
    int wake_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    int wake_errno = wake_fd < 0 ? errno : 0;

    ChannelState() = default;
    ChannelState(const ChannelState&) = delete;
    ChannelState& operator=(const ChannelState&) = delete;
    ~ChannelState() {
        if (wake_fd >= 0) ::close(wake_fd);
    }

    void wake() {
        const std::uint64_t one = 1;
        if (wake_fd >= 0 && ::write(wake_fd, &one, sizeof one) < 0) {
            // Only an overflowing counter fails, which one write per message cannot reach.
        }
    }
    void settle() {
        std::uint64_t count = 0;
        if (wake_fd >= 0 && ::read(wake_fd, &count, sizeof count) < 0) {
            // Already zero: nothing to take back.
        }
    }
};

}  // namespace detail

template <class T>
class Sender {
public:
    explicit Sender(std::shared_ptr<detail::ChannelState<T>> state) : state_(std::move(state)) {
        std::lock_guard lock(state_->mutex);
        ++state_->senders;
    }
    Sender(const Sender& other) : Sender(other.state_) {}
    Sender(Sender&& other) noexcept = default;
    Sender& operator=(Sender other) noexcept {
        std::swap(state_, other.state_);
        return *this;
    }
    ~Sender() { release(); }

    // Queues the value; false when the receiver is gone (the value is dropped).
    bool send(T value) const {
        {
            std::lock_guard lock(state_->mutex);
            if (!state_->receiver_alive) return false;
            state_->queue.push_back(std::move(value));
            state_->wake();
        }
        state_->ready.notify_one();
        return true;
    }

private:
    void release() {
        if (!state_) return;
        bool last = false;
        {
            std::lock_guard lock(state_->mutex);
            last = --state_->senders == 0;
            if (last) state_->wake();
        }
        if (last) state_->ready.notify_all();
        state_.reset();
    }

    std::shared_ptr<detail::ChannelState<T>> state_;
};

template <class T>
class Receiver {
public:
    explicit Receiver(std::shared_ptr<detail::ChannelState<T>> state) : state_(std::move(state)) {}
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;
    Receiver(Receiver&&) noexcept = default;
    Receiver& operator=(Receiver&&) noexcept = default;
    ~Receiver() {
        if (!state_) return;
        std::lock_guard lock(state_->mutex);
        state_->receiver_alive = false;
        state_->queue.clear();
    }

    // Blocks until a message arrives or every sender is gone.
    RecvStatus recv(std::optional<T>& out) {
        std::unique_lock lock(state_->mutex);
        state_->ready.wait(lock, [&] { return !state_->queue.empty() || state_->senders == 0; });
        return take(out);
    }

    // As recv, but gives up once `deadline` has passed.
    template <class Clock, class Duration>
    RecvStatus recv_until(std::optional<T>& out, std::chrono::time_point<Clock, Duration> deadline) {
        std::unique_lock lock(state_->mutex);
        const bool woken =
            state_->ready.wait_until(lock, deadline, [&] { return !state_->queue.empty() || state_->senders == 0; });
        if (!woken) return RecvStatus::Timeout;
        return take(out);
    }

    template <class Rep, class Period>
    RecvStatus recv_for(std::optional<T>& out, std::chrono::duration<Rep, Period> limit) {
        return recv_until(out, std::chrono::steady_clock::now() + limit);
    }

    // Never blocks: Timeout when nothing is queued.
    RecvStatus try_recv(std::optional<T>& out) {
        std::lock_guard lock(state_->mutex);
        if (state_->queue.empty() && state_->senders != 0) return RecvStatus::Timeout;
        return take(out);
    }

    // Readable while a message waits or every sender is gone.
    Result<int> wake_fd() const {
        if (state_->wake_fd < 0) return std::unexpected(os_error(state_->wake_errno));
        return state_->wake_fd;
    }

private:
    // Called with the lock held and the wait condition true.
    RecvStatus take(std::optional<T>& out) {
        if (state_->queue.empty()) return RecvStatus::Disconnected;
        out.emplace(std::move(state_->queue.front()));
        state_->queue.pop_front();
        if (state_->queue.empty() && state_->senders != 0) state_->settle();
        return RecvStatus::Message;
    }

    std::shared_ptr<detail::ChannelState<T>> state_;
};

template <class T>
std::pair<Sender<T>, Receiver<T>> make_channel() {
    auto state = std::make_shared<detail::ChannelState<T>>();
    return {Sender<T>(state), Receiver<T>(state)};
}

}  // namespace tolv::cli
