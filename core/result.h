#pragma once

#include "core/alert.h"

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace quillory {

// Why an operation failed in a way the caller expects: a message that says what failed and on
// what, and the alert to show when the user must see the system's own words.
struct Failure
{
    QString message;
    std::optional<Alert> alert;
};

// The outcome of an operation that can fail in an expected way: its value, or a Failure.
template <typename T = void> class [[nodiscard]] Result
{
public:
    Result(T value) : m_v(std::move(value)) {}
    Result(Failure failure) : m_v(std::move(failure)) {}

    bool ok() const { return m_v.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<0>(m_v); }
    T& value() { return std::get<0>(m_v); }
    const T* operator->() const { return &value(); }
    const T& operator*() const { return value(); }
    const Failure& failure() const { return std::get<1>(m_v); }
    // The failure's message; empty on success.
    QString message() const { return ok() ? QString() : failure().message; }

private:
    std::variant<T, Failure> m_v;
};

template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : m_failure(std::move(failure)) {}

    bool ok() const { return !m_failure; }
    explicit operator bool() const { return ok(); }
    const Failure& failure() const { return *m_failure; }
    QString message() const { return ok() ? QString() : m_failure->message; }

private:
    std::optional<Failure> m_failure;
};

// A failure with a message only.
inline Failure fail(QString message)
{
    return Failure{std::move(message), std::nullopt};
}

} // namespace quillory
