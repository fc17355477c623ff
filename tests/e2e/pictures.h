// Pictures of the panel as the screen shows it, for the README: the main
// window's menu bar and client area saved as a BMP once nothing is left to
// paint and the picture holds still. Only when VUV_SCREENSHOT_DIR names a
// directory (scripts/screenshots.sh sets it); otherwise nothing is taken.
#pragma once

#include "e2e/harness.h"

#include "common/dpi.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vuv::e2e {

// The pixels of a screen area, 32 bits each, top row first.
inline std::optional<std::vector<std::uint32_t>> screenPixels(const dpi::Box& area) {
    const int width = area.width();
    const int height = area.height();
    if (width <= 0 || height <= 0) return std::nullopt;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
    SelectObject(memory, previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = -height;  // top-down
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const bool read = copied && GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                                          reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!read) return std::nullopt;
    return pixels;
}

// The pixels of a screen area as a 24-bit BMP file, without the rows of bare
// (black) root window at its top: without a window manager nobody draws the
// caption.
inline bool saveScreenArea(const dpi::Box& area, const std::vector<std::uint32_t>& pixels, const std::wstring& path) {
    const int width = area.width();
    const int height = area.height();
    auto black = [&](int x, int y) { return (pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF) == 0; };
    auto blackRow = [&](int y) {
        for (int x = 0; x < width; ++x) {
            if (!black(x, y)) return false;
        }
        return true;
    };
    int top = 0;
    const int bottom = height, left = 0, right = width;
    while (top < bottom && blackRow(top)) ++top;
    if (top == bottom) return false;

    // 24-bit rows, bottom-up, each padded to four bytes.
    const int w = right - left;
    const int h = bottom - top;
    const int stride = (w * 3 + 3) & ~3;
    std::string file;
    BITMAPFILEHEADER head{};
    BITMAPINFOHEADER dib{};
    dib.biSize = sizeof dib;
    dib.biWidth = w;
    dib.biHeight = h;
    dib.biPlanes = 1;
    dib.biBitCount = 24;
    dib.biCompression = BI_RGB;
    dib.biSizeImage = static_cast<DWORD>(stride * h);
    head.bfType = 0x4D42;  // "BM"
    head.bfOffBits = sizeof head + sizeof dib;
    head.bfSize = head.bfOffBits + dib.biSizeImage;
    file.append(reinterpret_cast<const char*>(&head), sizeof head);
    file.append(reinterpret_cast<const char*>(&dib), sizeof dib);
    for (int y = bottom - 1; y >= top; --y) {
        std::string line(static_cast<std::size_t>(stride), '\0');
        for (int x = left; x < right; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            const std::size_t at = static_cast<std::size_t>(x - left) * 3;
            line[at] = static_cast<char>(p & 0xFF);
            line[at + 1] = static_cast<char>((p >> 8) & 0xFF);
            line[at + 2] = static_cast<char>((p >> 16) & 0xFF);
        }
        file += line;
    }
    return writeFileBytes(path, file);
}

// The directory pictures go to, with a trailing separator; empty when none.
inline std::wstring screenshotDirectory() {
    const DWORD n = GetEnvironmentVariableW(L"VUV_SCREENSHOT_DIR", nullptr, 0);
    if (n == 0) return {};
    std::wstring dir(n, L'\0');
    dir.resize(GetEnvironmentVariableW(L"VUV_SCREENSHOT_DIR", dir.data(), n));
    if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
    return dir;
}


namespace detail {
inline BOOL CALLBACK paintedChild(HWND child, LPARAM clean) {
    if (!GetUpdateRect(child, nullptr, FALSE)) return TRUE;
    *reinterpret_cast<bool*>(clean) = false;
    return FALSE;
}
}  // namespace detail

// Neither the window nor any of its descendants has an update region.
inline bool nothingToPaint(HWND window) {
    bool clean = GetUpdateRect(window, nullptr, FALSE) == FALSE;
    if (clean) EnumChildWindows(window, &detail::paintedChild, reinterpret_cast<LPARAM>(&clean));
    return clean;
}

// The menu bar and the client area of the panel's main window (the frame is
// not drawn without a window manager) as a BMP file at path, once painted:
// no window of the panel has anything left to paint, and the screen shows
// the same after the panel has handled one more message.
inline bool savePicture(const PanelProcess& panel, const std::wstring& path) {
    RECT client{};
    GetClientRect(panel.mainWindow(), &client);
    MapWindowPoints(panel.mainWindow(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT outer{};
    GetWindowRect(panel.mainWindow(), &outer);
    const dpi::Box area{client.left, outer.top, client.right, client.bottom};
    if (!waitUntil([&] { return nothingToPaint(panel.mainWindow()); })) return false;
    std::optional<std::vector<std::uint32_t>> shown = screenPixels(area);
    bool steady = false;
    for (int attempt = 0; attempt < 50 && shown && !steady; ++attempt) {
        if (!panel.caughtUp()) return false;
        std::optional<std::vector<std::uint32_t>> again = screenPixels(area);
        steady = again == shown;
        shown = std::move(again);
    }
    return shown && steady && saveScreenArea(area, *shown, path);
}

}  // namespace vuv::e2e
