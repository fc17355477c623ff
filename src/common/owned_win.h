// Small owners of what the system hands out besides kernel handles (those
// are KernelHandle's): GDI objects and device contexts, menus, file
// searches, memory the system allocated, COM interfaces. Each gives its
// thing back when it goes, and is the only place that does.
#pragma once

#include <windows.h>

#include <utility>

namespace vuv::win {

// Owns one value of Handle, given back with Free; null means none.
template <typename Handle, typename Freer>
class Owned {
public:
    Owned() noexcept = default;
    explicit Owned(Handle handle) noexcept : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    [[nodiscard]] Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }
    // No longer owned: the caller (or the system) frees it.
    [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, nullptr); }
    // Gives the thing back now (nothing when there is none).
    void reset(Handle handle = nullptr) noexcept {
        if (handle_ != nullptr) Freer{}(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

struct GdiObjectFreer {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
// A font, brush, bitmap and the like, deleted when it goes.
template <typename Object>
using GdiObject = Owned<Object, GdiObjectFreer>;

struct MemoryDcFreer {
    void operator()(HDC dc) const noexcept { DeleteDC(dc); }
};
// A device context of CreateCompatibleDC.
using MemoryDc = Owned<HDC, MemoryDcFreer>;

struct MenuFreer {
    void operator()(HMENU menu) const noexcept { DestroyMenu(menu); }
};
// A menu that no window owns (a window destroys its own menu bar).
using OwnedMenu = Owned<HMENU, MenuFreer>;

struct LocalFreer {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};
// Memory the system allocated with LocalAlloc for the caller.
using LocalMemory = Owned<void*, LocalFreer>;

struct GlobalFreer {
    void operator()(HGLOBAL memory) const noexcept { GlobalFree(memory); }
};
using GlobalMemory = Owned<HGLOBAL, GlobalFreer>;

// A search of FindFirstFile; INVALID_HANDLE_VALUE means none.
class FileSearch {
public:
    explicit FileSearch(HANDLE search) noexcept : search_(search) {}
    ~FileSearch() {
        if (search_ != INVALID_HANDLE_VALUE) FindClose(search_);
    }
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

    [[nodiscard]] HANDLE get() const noexcept { return search_; }
    explicit operator bool() const noexcept { return search_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE search_;
};

// The device context of a window (of the screen for null), released when
// it goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    [[nodiscard]] HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context for as long as this lives; what
// was selected before comes back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A COM interface pointer, released when it goes.
template <typename Interface>
class ComRef {
public:
    ComRef() noexcept = default;
    ~ComRef() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    [[nodiscard]] Interface* get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }
    // Where a function that hands out an interface puts it; the one held is
    // released first.
    [[nodiscard]] Interface** put() noexcept {
        if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
        return &pointer_;
    }
    [[nodiscard]] void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace vuv::win
