#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace torvane {

// Why a fallible call gave no value: one sentence for the user.
struct Failure
{
    QString message;
};

inline Failure failure(QString message)
{
    return Failure{std::move(message)};
}

// A fallible core call's outcome: a value, or a Failure. Nothing else leaves the core.
template <typename T> class Result
{
public:
    Result(T value) : state(std::move(value)) {}
    Result(Failure failure) : state(std::move(failure)) {}

    bool ok() const { return std::holds_alternative<T>(state); }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return std::get<T>(state); }
    T &value() & { return std::get<T>(state); }
    T &&value() && { return std::get<T>(std::move(state)); }
    const T *operator->() const { return &value(); }
    const T &operator*() const { return value(); }
    T value_or(T fallback) const { return ok() ? value() : std::move(fallback); }
    // Empty on success.
    QString error() const { return ok() ? QString() : std::get<Failure>(state).message; }

private:
    std::variant<T, Failure> state;
};

// The outcome of a call that only succeeds or fails.
template <> class Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : failed(true), message(std::move(failure.message)) {}

    bool ok() const { return !failed; }
    explicit operator bool() const { return ok(); }
    const QString &error() const { return message; }

private:
    bool failed = false;
    QString message;
};

using Status = Result<void>;

} // namespace torvane
