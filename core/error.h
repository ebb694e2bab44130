// Errors as values: every failing operation of the core gives an Error (number,
// description, source) instead of throwing, and the callers test the result. The
// standard error message the program shows is built from it in one place.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace tagshelf {

struct Error {
    long number = 0;
    std::string description;
    std::string source;
    // The step that failed, for operations of several steps (file rewrites).
    std::string step;
};

// An error from a system call: errno and its text, source "TagShelf".
Error systemError(int errnoValue, std::string step = {});

// The text of the standard error message: label ("fncDbOpen : "), "エラー : ",
// the number as a signed decimal with a leading space when not negative,
// "が発生しました。 : ", the description and the source, nothing between them.
std::string standardErrorText(std::string_view label, const Error& error);

class [[nodiscard]] Status {
  public:
    // Not defaulted: a Status made with `{}` would then be zero-filled (all of
    // the Error's room) before its optional is set empty, on every success.
    Status() {}
    Status(Error e) : error_(std::move(e)) {}
    static Status success() { return {}; }
    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }
    // The error; an OK status has none and gives an empty one.
    const Error& error() const {
        static const Error none;
        return error_ ? *error_ : none;
    }

  private:
    std::optional<Error> error_;
};

template <typename T>
class [[nodiscard]] Result {
  public:
    Result(T&& value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(const T& value) : v_(std::in_place_index<0>, value) {}
    // A default value made in place, to be filled through value().
    explicit Result(std::in_place_t) : v_(std::in_place_index<0>) {}
    Result(Error e) : v_(std::in_place_index<1>, std::move(e)) {}
    // A failed Status becomes the Result's error. An OK Status carries no value to
    // give, so it is refused: the Result holds an internal error instead.
    Result(Status s) : v_(std::in_place_index<1>, s.ok() ? okWithoutValue() : s.error()) {}
    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    T* operator->() { return &std::get<0>(v_); }
    const T* operator->() const { return &std::get<0>(v_); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    const Error& error() const { return std::get<1>(v_); }
    Status status() const { return ok() ? Status() : Status(error()); }

  private:
    static Error okWithoutValue() {
        return Error{-1, "an operation reported success but gave no value", "TagShelf", {}};
    }
    std::variant<T, Error> v_;
};

}  // namespace tagshelf
