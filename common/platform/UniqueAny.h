#pragma once
// One move-only owner for every kind of handle, so that each handle is released by exactly one destructor
// and never by hand. Traits give
//   using type = ...;                      the handle type
//   static type invalid() noexcept;        the value of an empty owner
//   static bool is_valid(type) noexcept;   optional, for handles with two invalid values
//   static void close(type) noexcept;      releases a valid handle
// The Windows handles' traits are in win32/UniqueAny.h, the platform layer's in PlatformHandles.h.
#include <type_traits>
#include <utility>

namespace plat {

namespace detail {

template <typename Traits, typename = void> struct has_is_valid : std::false_type {};
template <typename Traits>
struct has_is_valid<Traits, std::void_t<decltype(Traits::is_valid(Traits::invalid()))>> : std::true_type {};

} // namespace detail

template <typename Traits> class unique_any {
public:
    using pointer = typename Traits::type;

    unique_any() noexcept : value_(Traits::invalid()) {}
    explicit unique_any(pointer value) noexcept : value_(value) {}
    ~unique_any() { reset(); }

    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;

    pointer get() const noexcept { return value_; }

    // Closes the owned handle (unless it is the one handed in, which would leave a dead handle owned).
    void reset(pointer value = Traits::invalid()) noexcept {
        pointer old = std::exchange(value_, value);
        if (old != value && valid(old))
            Traits::close(old);
    }

    // Hands the handle over to the caller, who closes it from now on.
    [[nodiscard]] pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }

    // For out-parameters: the old handle is closed first, so a reused owner does not leak.
    pointer* put() noexcept {
        reset();
        return &value_;
    }

    explicit operator bool() const noexcept { return valid(value_); }

    friend void swap(unique_any& a, unique_any& b) noexcept { std::swap(a.value_, b.value_); }

private:
    static bool valid(pointer value) noexcept {
        if constexpr (detail::has_is_valid<Traits>::value)
            return Traits::is_valid(value);
        else
            return value != Traits::invalid();
    }

    pointer value_;
};

} // namespace plat
