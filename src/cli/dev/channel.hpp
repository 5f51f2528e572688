// An unbounded in-process channel: many senders, one receiver.
//
// Senders are counted; once the last one is gone and the queue is empty, the
// receiver sees the channel as disconnected. Sending never blocks, and a send
// after the receiver is gone is refused without error so the value is dropped.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

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

private:
    // Called with the lock held and the wait condition true.
    RecvStatus take(std::optional<T>& out) {
        if (state_->queue.empty()) return RecvStatus::Disconnected;
        out.emplace(std::move(state_->queue.front()));
        state_->queue.pop_front();
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
