#include "common/dpi_win.h"

#include "common/owned_win.h"

#include <cwchar>
#include <utility>
#include <vector>

namespace vuv::win {

namespace {

constexpr int kPointSize = 9;

// A function of user32 that older systems lack, or null.
template <typename Function>
Function user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return nullptr;
    // Through a generic function pointer: FARPROC and the real type differ.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

int screenDpi() noexcept {
    const WindowDc screen(nullptr);
    if (!screen) return dpi::kBase;
    const int found = GetDeviceCaps(screen.get(), LOGPIXELSX);
    return found > 0 ? found : dpi::kBase;
}

int CALLBACK noteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM seen) {
    *reinterpret_cast<bool*>(seen) = true;
    return 0;  // one is enough
}

bool fontInstalled(const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    const WindowDc screen(nullptr);
    if (!screen) return false;
    bool found = false;
    EnumFontFamiliesExW(screen.get(), &wanted, &noteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

HFONT createUiFont(int dpi) {
    LOGFONTW font{};
    const wchar_t* face = uiFontFace();
    if (face[0] != L'\0') {
        font.lfHeight = -MulDiv(kPointSize, dpi, 72);
        font.lfWeight = FW_NORMAL;
        font.lfCharSet = DEFAULT_CHARSET;
        wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    } else {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        }
        font = metrics.lfMessageFont;
        font.lfHeight = MulDiv(font.lfHeight, dpi, systemDpi());
    }
    if (HFONT created = CreateFontIndirectW(&font)) return created;
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

int systemDpi() noexcept {
    using GetDpiForSystemFn = UINT(WINAPI*)();
    static const int dpi = [] {
        if (const auto forSystem = user32Function<GetDpiForSystemFn>("GetDpiForSystem")) {
            if (const UINT found = forSystem(); found > 0) return static_cast<int>(found);
        }
        return screenDpi();
    }();
    return dpi;
}

int windowDpi(HWND window) noexcept {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto forWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (forWindow != nullptr && window != nullptr) {
        if (const UINT found = forWindow(window); found > 0) return static_cast<int>(found);
    }
    return systemDpi();
}

RECT scaledRect(int x, int y, int w, int h, int dpi) noexcept {
    const dpi::Box box = dpi::scaleBox(x, y, w, h, dpi);
    return RECT{box.left, box.top, box.right, box.bottom};
}

const wchar_t* uiFontFace() {
    static const wchar_t* const face = [] {
        for (const wchar_t* candidate : {L"SimSun", L"宋体", L"Microsoft YaHei UI"}) {
            if (fontInstalled(candidate)) return candidate;
        }
        return L"";
    }();
    return face;
}

HFONT uiFontAt(int dpi) {
    // One thread uses the fonts; a handful of DPIs at most in a run. They
    // live as long as the program (a stock font's deletion does nothing).
    static std::vector<std::pair<int, GdiObject<HFONT>>> fonts;
    for (const auto& [at, font] : fonts) {
        if (at == dpi) return font.get();
    }
    fonts.emplace_back(dpi, GdiObject<HFONT>(createUiFont(dpi)));
    return fonts.back().second.get();
}

}  // namespace vuv::win
