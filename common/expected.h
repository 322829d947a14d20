// Result types of the core: a value or a typed error with a message a user can act on.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace quillon {

struct Error {
    enum class Kind {
        Read,       // a file could not be opened or read
        Write,      // a file could not be created, written or renamed
        Format,     // the bytes are not what the format requires
        Cancelled,  // the user stopped the operation
    };
    Kind kind = Kind::Format;
    std::string message;

    static Error read(std::string m) { return {Kind::Read, std::move(m)}; }
    static Error write(std::string m) { return {Kind::Write, std::move(m)}; }
    static Error format(std::string m) { return {Kind::Format, std::move(m)}; }
    static Error cancelled() { return {Kind::Cancelled, "User aborted."}; }
};

template <class T>
class [[nodiscard]] Expected {
public:
    Expected(T value) : state_(std::move(value)) {}
    Expected(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const { return std::get<1>(state_); }

private:
    std::variant<T, Error> state_;
};

// The result of an operation that gives nothing back but may fail.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error error) : error_(std::move(error)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return error_; }

private:
    Error error_;
    bool failed_ = false;
};

}  // namespace quillon
