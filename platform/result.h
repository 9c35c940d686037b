#pragma once
// A value or the reason it could not be produced. The reason is written for the user.

#include <optional>
#include <string>
#include <utility>

namespace wallcycle {

struct Failure {
    std::string reason;
};

inline Failure fail(std::string reason) {
    return Failure{std::move(reason)};
}

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure failure) : reason_(std::move(failure.reason)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *value_; }
    T& value() & { return *value_; }
    T&& value() && { return std::move(*value_); }
    const T& operator*() const { return *value_; }
    const T* operator->() const { return &*value_; }
    const std::string& reason() const { return reason_; }

private:
    std::optional<T> value_;
    std::string reason_;
};

// For operations that produce nothing but can fail.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Failure failure) : failed_(true), reason_(std::move(failure.reason)) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& reason() const { return reason_; }

private:
    bool failed_ = false;
    std::string reason_;
};

} // namespace wallcycle
