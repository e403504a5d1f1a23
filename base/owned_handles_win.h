// Owners for the Windows handles the launcher opens: each closes its handle exactly once, when the
// owner goes out of scope, on every path. Owners cannot be copied; moving one hands the handle on.
// Opening the handles is the callers' business; the owners only close them.
#pragma once

#include <windows.h>

#include <utility>

// One owned handle of the kind `Traits` describes (its invalid value and how it is closed).
template <typename Traits> class Owned {
  public:
    using Handle = typename Traits::Handle;

    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept : handle_(other.Release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.Release();
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle Get() const { return handle_; }
    bool Valid() const { return handle_ != Traits::Invalid(); }

    void Reset() {
        if (Valid()) Traits::Close(handle_);
        handle_ = Traits::Invalid();
    }

  private:
    Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

    Handle handle_ = Traits::Invalid();
};

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { FindClose(handle); }
};

struct KernelObjectTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { CloseHandle(handle); }
};

template <typename GdiHandle> struct GdiObjectTraits {
    using Handle = GdiHandle;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { DeleteObject(handle); }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { DestroyIcon(handle); }
};

struct LibraryTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { FreeLibrary(handle); }
};

// A file opened with CreateFileA or OpenFile (invalid: INVALID_HANDLE_VALUE; CloseHandle).
using FileHandle = Owned<FileHandleTraits>;

// A directory search from FindFirstFileA (invalid: INVALID_HANDLE_VALUE; FindClose).
using FindHandle = Owned<FindHandleTraits>;

// A mutex or other kernel object (invalid: null; CloseHandle).
using KernelObject = Owned<KernelObjectTraits>;

// A font, brush or other GDI object (invalid: null; DeleteObject).
template <typename GdiHandle> using GdiObject = Owned<GdiObjectTraits<GdiHandle>>;

// An icon loaded without LR_SHARED (invalid: null; DestroyIcon).
using IconHandle = Owned<IconTraits>;

// A module from LoadLibraryExA, a file mapped as data included (invalid: null; FreeLibrary).
using LoadedLibrary = Owned<LibraryTraits>;

// The screen's device context (GetDC of no window; ReleaseDC).
class ScreenDc {
  public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;

    HDC Get() const { return dc_; }

  private:
    HDC dc_;
};
