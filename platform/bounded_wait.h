#pragma once
// Work that may wait without end (a library waiting on a server that never answers), run on a
// thread of its own and waited for within a bound.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

namespace wallcycle {

enum class WaitEnded { in_time, late, no_thread };

template <typename T> struct BoundedResult {
    WaitEnded ended;
    std::optional<T> value; // when it ended in time
};

// Runs `work` on a thread of its own and waits at most timeout_ms for what it returns. Work still
// running then is left to end by itself, and what it returns at last is destroyed with it (a
// connection closes): the work must hold only copies of its own.
template <typename Work>
BoundedResult<std::invoke_result_t<Work&>> finished_within(int timeout_ms, Work work) {
    using T = std::invoke_result_t<Work&>;
    struct Shared {
        std::mutex lock;
        std::condition_variable ended;
        std::optional<T> value;
    };
    auto shared = std::make_shared<Shared>();
    try {
        std::thread([shared, work = std::move(work)]() mutable {
            T value = work();
            std::lock_guard<std::mutex> held(shared->lock);
            shared->value = std::move(value);
            shared->ended.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return {WaitEnded::no_thread, std::nullopt};
    }
    std::unique_lock<std::mutex> held(shared->lock);
    if (!shared->ended.wait_for(held, std::chrono::milliseconds(timeout_ms),
                                [&] { return shared->value.has_value(); }))
        return {WaitEnded::late, std::nullopt};
    return {WaitEnded::in_time, std::move(shared->value)};
}

} // namespace wallcycle
