// Move-only owners for the platform handles that must be closed, so no path can leak one.
#pragma once

#include <windows.h>
#include <utility>

template <typename Traits>
class Owned {
public:
    using Type = typename Traits::Type;

    Owned() = default;
    explicit Owned(Type value) : value_(value) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : value_(other.Release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ~Owned() { Reset(); }

    Type Get() const { return value_; }
    bool Valid() const { return value_ != Traits::Invalid(); }
    explicit operator bool() const { return Valid(); }

    // The address to hand to a call that fills the handle in; any old handle is closed first.
    Type* Put() {
        Reset();
        return &value_;
    }
    Type Release() { return std::exchange(value_, Traits::Invalid()); }
    void Reset(Type value = Traits::Invalid()) {
        if (Valid()) Traits::Close(value_);
        value_ = value;
    }

private:
    Type value_ = Traits::Invalid();
};

// A handle type, the call that closes it, and whether failure is INVALID_HANDLE_VALUE or null.
template <typename T, auto CloseFunction, bool MinusOneIsInvalid = false>
struct HandleTraits {
    using Type = T;
    static Type Invalid() { return MinusOneIsInvalid ? static_cast<Type>(INVALID_HANDLE_VALUE) : nullptr; }
    static void Close(Type handle) { CloseFunction(handle); }
};

using OwnedKey = Owned<HandleTraits<HKEY, RegCloseKey>>;
using OwnedFile = Owned<HandleTraits<HANDLE, CloseHandle, true>>;  // CreateFileA
using OwnedHandle = Owned<HandleTraits<HANDLE, CloseHandle>>;      // processes, threads, events
using OwnedFind = Owned<HandleTraits<HANDLE, FindClose, true>>;
using OwnedIcon = Owned<HandleTraits<HICON, DestroyIcon>>;
using OwnedAccelerators = Owned<HandleTraits<HACCEL, DestroyAcceleratorTable>>;
