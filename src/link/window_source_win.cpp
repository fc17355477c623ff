#include "link/window_source_win.h"

#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/channel_win.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <string>
#include <vector>

namespace vuv::win {

namespace {

struct ClassName {
    std::wstring name;
    BrowserClass browserClass;
    bool ansi;
};

// The browser classes under each name they may have been registered with.
const std::vector<ClassName>& classNames() {
    static const std::vector<ClassName> names = [] {
        std::vector<ClassName> out;
        const std::pair<std::string_view, BrowserClass> classes[] = {
            {text::kClassFrame, BrowserClass::Frame},
            {text::kClassCommand, BrowserClass::Command},
            {text::kClassThird, BrowserClass::Third},
        };
        for (const auto& [gbk, which] : classes) {
            out.push_back({registeredName(gbk, NameVariant::Unicode), which, false});
            if (ansiNamesDiffer()) out.push_back({registeredName(gbk, NameVariant::Ansi), which, true});
        }
        return out;
    }();
    return names;
}

BOOL CALLBACK collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<BrowserWindow> DesktopWindows::browserWindows() {
    const std::vector<ClassName>& names = classNames();
    // The atom of each class in use now (0 when no window has it).
    std::vector<ATOM> atoms(names.size(), 0);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (HWND first = FindWindowW(names[i].name.c_str(), nullptr)) {
            atoms[i] = static_cast<ATOM>(GetClassLongW(first, GCW_ATOM));
        }
    }
    std::vector<BrowserWindow> found;
    if (std::all_of(atoms.begin(), atoms.end(), [](ATOM a) { return a == 0; })) {
        known_.clear();
        return found;
    }
    std::vector<HWND> windows;
    windows.reserve(known_.size() + 64);
    EnumWindows(&collect, reinterpret_cast<LPARAM>(&windows));

    std::unordered_map<HWND, Known> next;
    next.reserve(windows.size());
    for (HWND window : windows) {
        const auto it = known_.find(window);
        Known k = it != known_.end() ? it->second : Known{static_cast<ATOM>(GetClassLongW(window, GCW_ATOM)), 0, -2};
        if (k.atom == 0) continue;  // gone meanwhile
        // A window is looked at by name once, the first time its atom is a
        // browser class's (kind -2: not looked at yet).
        if (k.kind == -2 && std::find(atoms.begin(), atoms.end(), k.atom) != atoms.end()) {
            k.kind = -1;
            for (std::size_t i = 0; i < names.size() && k.kind < 0; ++i) {
                if (atoms[i] != k.atom) continue;
                // The atom ignores letter case; the class must match exactly.
                wchar_t name[257] = {};
                const int length = GetClassNameW(window, name, 257);
                if (length > 0 && names[i].name == std::wstring_view(name, static_cast<std::size_t>(length))) {
                    k.kind = static_cast<int>(i);
                    GetWindowThreadProcessId(window, &k.processId);
                }
            }
        }
        next.emplace(window, k);
        if (k.kind < 0) continue;
        const ClassName& c = names[static_cast<std::size_t>(k.kind)];
        found.push_back(BrowserWindow{toWindowId(window), k.processId, c.browserClass, c.ansi});
    }
    known_.swap(next);
    return found;
}

std::optional<std::string> DesktopWindows::title(WindowId w) {
    if (w == 0) return std::nullopt;
    // The title the system holds for the window: the one a browser sets, got
    // without a message to it, so that a busy or hung copy cannot hold up
    // the scan and nothing of a browser's answer sizes anything here.
    std::wstring text(kMaxTitleLength + 1, L'\0');
    const int got = InternalGetWindowText(toHwnd(w), text.data(), static_cast<int>(text.size()));
    if (got <= 0) {
        // No text, or no window any more: an empty title for a window that
        // exists, as it would answer.
        if (!IsWindow(toHwnd(w))) return std::nullopt;
        return std::string();
    }
    text.resize(std::wcslen(text.c_str()));
    // A window found under the ANSI spelling of its class belongs to a
    // browser on the ANSI functions: its title is GBK bytes read in the
    // system's code page, and goes back to those bytes the same way.
    const auto known = known_.find(toHwnd(w));
    if (known != known_.end() && known->second.kind >= 0 &&
        classNames()[static_cast<std::size_t>(known->second.kind)].ansi) {
        return narrowAnsi(text);  // the GBK bytes the browser wrote
    }
    return narrow(text);
}

}  // namespace vuv::win
