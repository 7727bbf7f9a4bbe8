#pragma once
// The outcome of an operation that can fail for a reason the user is told: the value it made
// (nothing, for Result<void>) or why it failed. Shaped like std::expected, so callers read
//     if (const auto saved = table.save(job); !saved) report(saved.reason());
// and a failing function returns `Failure{reason}`.

#include <QString>
#include <utility>
#include <variant>

struct Failure {
    QString reason;
};

template <typename T = void>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(m_state); }
    T& value() & { return std::get<0>(m_state); }
    T&& value() && { return std::get<0>(std::move(m_state)); }
    const T* operator->() const { return &value(); }
    const T& operator*() const& { return value(); }

    // Why it failed; empty when it didn't.
    QString reason() const { return ok() ? QString() : std::get<1>(m_state).reason; }

private:
    std::variant<T, Failure> m_state;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failed(true), m_reason(std::move(failure.reason)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString& reason() const { return m_reason; }

private:
    bool m_failed = false;
    QString m_reason;
};
