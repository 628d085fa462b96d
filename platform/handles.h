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

struct KeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type key) { RegCloseKey(key); }
};
struct FileTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type file) { CloseHandle(file); }
};
struct KernelTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type handle) { CloseHandle(handle); }
};
struct FindTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type find) { FindClose(find); }
};
struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static void Close(Type icon) { DestroyIcon(icon); }
};
struct AcceleratorTraits {
    using Type = HACCEL;
    static Type Invalid() { return nullptr; }
    static void Close(Type table) { DestroyAcceleratorTable(table); }
};

using OwnedKey = Owned<KeyTraits>;
using OwnedFile = Owned<FileTraits>;          // CreateFileA: INVALID_HANDLE_VALUE on failure
using OwnedHandle = Owned<KernelTraits>;      // processes, events: null on failure
using OwnedFind = Owned<FindTraits>;
using OwnedIcon = Owned<IconTraits>;
using OwnedAccelerators = Owned<AcceleratorTraits>;
