// lxbr.exe, the stand-in browser: a test peer that plays the browser's side
// of the window-message protocol, so the panel can be driven end to end
// without the real browser.
//
// It owns the windows a browser owns (frame "鹭行x", command "鹭行a", third
// "鹭行s"), reads and acknowledges transfers on the command window, records
// everything it receives in a log file the tests poll, and takes orders from
// the tests through WM_COPYDATA (see protocol.h). A few commands are carried
// out the way a browser would, so their effect is visible from outside:
// renaming sets the frame title, toolbar actions 71/72 hide and show the
// frame, 98 gives back the default title. Single-threaded; nothing a sender
// passes may crash it.
#include "protocol.h"

#include "common/ascii.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/payloads.h"
#include "link/window_source_win.h"
#include "link/channel_win.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vuv;
using vuv::standin::toHex;

struct Options {
    bool frame = true;
    bool command = true;
    bool third = true;
    bool acknowledge = true;
    DWORD hangMs = 0;
    std::string title;  // GBK
    std::optional<LRESULT> titleLength;  // the answer to WM_GETTEXTLENGTH
    bool ansi = false;  // names through the ANSI functions with the GBK bytes
    std::optional<DWORD> exitMs;  // ends by itself that long after its windows were made
    bool logReady = false;        // logs READY before reading messages
    std::optional<DWORD> askBookmarkMs;  // asks for a bookmark after start and after each address
    // Sends link records by itself: this many, one every notifyIntervalMs.
    unsigned notifyCount = 0;
    DWORD notifyIntervalMs = 0;
    unsigned bookmarks = 0;  // asks for this many bookmarks in turn, reporting each
    // Stops reading messages for stallMs, stallAfterMs after its windows were made.
    DWORD stallAfterMs = 0;
    DWORD stallMs = 0;
};

// Options from the environment variable, after those of the command line.
std::wstring environmentOptions() {
    const DWORD n = GetEnvironmentVariableW(standin::kOptionsVariable, nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(standin::kOptionsVariable, value.data(), n);
    value.resize(got < n ? got : 0);
    return value;
}

bool startsWith(std::wstring_view text, std::wstring_view prefix) { return ascii::startsWith(text, prefix); }

Options parseOptions(const std::string& defaultTitle) {
    Options options;
    options.title = defaultTitle;
    int count = 0;
    // Copies the panel starts get no options on their command line, but
    // inherit the environment.
    const std::wstring line = std::wstring(GetCommandLineW()) + L" " + environmentOptions();
    LPWSTR* args = CommandLineToArgvW(line.c_str(), &count);
    if (args == nullptr) return options;
    for (int i = 1; i < count; ++i) {
        const std::wstring_view arg = args[i];
        if (!startsWith(arg, standin::kOptionPrefix)) continue;
        if (arg == standin::kOptNoFrame) {
            options.frame = false;
        } else if (arg == standin::kOptNoCommand) {
            options.command = false;
        } else if (arg == standin::kOptOnlyThird) {
            options.frame = options.command = false;
        } else if (arg == standin::kOptNoAck) {
            options.acknowledge = false;
        } else if (startsWith(arg, standin::kOptTitle)) {
            const std::string value = win::narrow(arg.substr(standin::kOptTitle.size()));
            // Hex, so that an empty title or a single blank survive the command
            // line; anything else is taken as the title itself.
            const std::optional<std::string> decoded = standin::fromHex(value);
            options.title = decoded ? *decoded : value;
        } else if (startsWith(arg, standin::kOptTitleLength)) {
            options.titleLength = static_cast<LRESULT>(
                std::wcstoll(std::wstring(arg.substr(standin::kOptTitleLength.size())).c_str(), nullptr, 10));

        } else if (arg == standin::kOptAnsi) {
            options.ansi = true;
        } else if (arg == standin::kOptLogReady) {
            options.logReady = true;
        } else if (startsWith(arg, standin::kOptExitMs)) {
            const long ms = std::wcstol(std::wstring(arg.substr(standin::kOptExitMs.size())).c_str(), nullptr, 10);
            options.exitMs = static_cast<DWORD>(ms < 0 ? 0 : ms > 600000 ? 600000 : ms);
        } else if (startsWith(arg, standin::kOptAskBookmarkMs)) {
            const long ms = std::wcstol(std::wstring(arg.substr(standin::kOptAskBookmarkMs.size())).c_str(), nullptr, 10);
            options.askBookmarkMs = static_cast<DWORD>(ms < 1 ? 1 : ms > 600000 ? 600000 : ms);
        } else if (startsWith(arg, standin::kOptHangMs)) {
            const long ms = std::wcstol(std::wstring(arg.substr(standin::kOptHangMs.size())).c_str(), nullptr, 10);
            options.hangMs = static_cast<DWORD>(ms < 0 ? 0 : ms > 600000 ? 600000 : ms);
        } else if (startsWith(arg, standin::kOptNotify)) {
            // <count>,<interval ms>
            const std::wstring value(arg.substr(standin::kOptNotify.size()));
            wchar_t* end = nullptr;
            const unsigned long n = std::wcstoul(value.c_str(), &end, 10);
            const unsigned long ms = (end != nullptr && *end == L',') ? std::wcstoul(end + 1, nullptr, 10) : 0;
            options.notifyCount = static_cast<unsigned>(std::min<unsigned long>(n, 1000000));
            options.notifyIntervalMs = static_cast<DWORD>(std::min<unsigned long>(ms, 600000));
        } else if (startsWith(arg, standin::kOptStallAt)) {
            // <after ms>,<for ms>
            const std::wstring value(arg.substr(standin::kOptStallAt.size()));
            wchar_t* end = nullptr;
            const unsigned long after = std::wcstoul(value.c_str(), &end, 10);
            const unsigned long ms = (end != nullptr && *end == L',') ? std::wcstoul(end + 1, nullptr, 10) : 0;
            options.stallAfterMs = static_cast<DWORD>(std::min<unsigned long>(after, 600000));
            options.stallMs = static_cast<DWORD>(std::min<unsigned long>(ms, 600000));
        } else if (startsWith(arg, standin::kOptBookmarks)) {
            const unsigned long n = std::wcstoul(std::wstring(arg.substr(standin::kOptBookmarks.size())).c_str(), nullptr, 10);
            options.bookmarks = static_cast<unsigned>(std::min<unsigned long>(n, 1000000));
        }
    }
    LocalFree(args);
    return options;
}

// Appends records to standin-<pid>.log. Every record is one WriteFile call
// straight to the system, shared for reading and deleting, so a test polling
// the file sees it at once and never fails to open it.
class Log {
public:
    Log() {
        std::wstring directory(MAX_PATH, L'\0');
        DWORD n = GetEnvironmentVariableW(standin::kLogDirVariable, directory.data(), MAX_PATH);
        if (n == 0 || n >= MAX_PATH) {
            n = GetModuleFileNameW(nullptr, directory.data(), MAX_PATH);
            if (n == 0 || n >= MAX_PATH) return;
            directory.resize(n);
            directory.resize(directory.find_last_of(L"\\/") + 1);
        } else {
            directory.resize(n);
            if (directory.back() != L'\\' && directory.back() != L'/') directory.push_back(L'\\');
        }
        const std::wstring path = directory + L"standin-" + std::to_wstring(GetCurrentProcessId()) + L".log";
        file_ = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ~Log() {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    void write(std::string_view kind, std::initializer_list<std::string_view> fields) const {
        if (file_ == INVALID_HANDLE_VALUE) return;
        std::string line(kind);
        for (std::string_view field : fields) {
            line.push_back(' ');
            line.append(field);
        }
        line.push_back('\n');
        const char* at = line.data();
        std::size_t left = line.size();
        while (left > 0) {
            DWORD written = 0;
            const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
            if (!WriteFile(file_, at, chunk, &written, nullptr) || written == 0) return;
            at += written;
            left -= written;
        }
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

std::string number(long long value) { return std::to_string(value); }
std::string handleNumber(HWND hwnd) { return number(static_cast<long long>(reinterpret_cast<std::intptr_t>(hwnd))); }

enum class Kind { Frame, Command, Third };

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::Frame: return "frame";
        case Kind::Command: return "command";
        case Kind::Third: return "third";
    }
    return "?";
}

class Standin;

// Posted to itself: stop reading messages for wParam milliseconds.
constexpr UINT kStallMessage = WM_APP + 1;
// The timer that ends a stand-in started with --standin-exit-ms.
constexpr UINT_PTR kExitTimer = 1;
// The timer of --standin-ask-bookmark-ms.
constexpr UINT_PTR kAskTimer = 5;
// The timers of --standin-notify and of the first --standin-bookmarks request.
constexpr UINT_PTR kNotifyTimer = 2;
constexpr UINT_PTR kBookmarkTimer = 3;
// The timer of --standin-stall-at.
constexpr UINT_PTR kStallTimer = 4;
// Posted to itself after an address was opened: report it and ask again.
constexpr UINT kReportMessage = WM_APP + 2;

// What each window's GWLP_USERDATA points at.
struct WindowSlot {
    Standin* owner = nullptr;
    Kind kind = Kind::Frame;
};

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

class Standin {
public:
    Standin(HINSTANCE instance, Options options, std::string defaultTitle)
        : instance_(instance), options_(std::move(options)), defaultTitle_(std::move(defaultTitle)),
          variant_(options_.ansi ? win::NameVariant::Ansi : win::NameVariant::Unicode),
          adjust_(win::registeredMessage(text::kMsgAdjust, variant_)),
          jump_(win::registeredMessage(text::kMsgJump, variant_)) {}

    bool createWindows() {
        log_.write("CMDLINE", {toHex(win::narrow(GetCommandLineW()))});
        if (options_.frame) {
            frame_ = create(Kind::Frame, text::kClassFrame, WS_OVERLAPPEDWINDOW, 0, options_.title);
            if (frame_ == nullptr) return false;
            // Shown without activation: the panel keeps the keyboard focus.
            ShowWindow(frame_, SW_SHOWNOACTIVATE);
        }
        if (options_.command) {
            command_ = create(Kind::Command, text::kClassCommand, WS_POPUP, WS_EX_TOOLWINDOW, {});
            if (command_ == nullptr) return false;
        }
        if (options_.third) {
            third_ = create(Kind::Third, text::kClassThird, WS_POPUP, WS_EX_TOOLWINDOW, {});
            if (third_ == nullptr) return false;
        }
        log_.write("WINDOWS", {handleNumber(frame_), handleNumber(command_), handleNumber(third_)});
        if (options_.exitMs) SetTimer(ownWindow(), kExitTimer, *options_.exitMs, nullptr);
        if (options_.askBookmarkMs) SetTimer(ownWindow(), kAskTimer, *options_.askBookmarkMs, nullptr);
        // Timers, so nothing is sent before the message loop runs: a starter
        // waiting for this process to be idle is not kept waiting.
        if (options_.notifyCount > 0) SetTimer(ownWindow(), kNotifyTimer, std::max<DWORD>(options_.notifyIntervalMs, 1), nullptr);
        if (options_.bookmarks > 0 && command_ != nullptr) SetTimer(ownWindow(), kBookmarkTimer, 1, nullptr);
        if (options_.stallMs > 0) SetTimer(ownWindow(), kStallTimer, std::max<DWORD>(options_.stallAfterMs, 1), nullptr);
        return true;
    }

    // Called right before the message loop: what a starter's wait for the
    // process to be idle waits for.
    void aboutToReadMessages() const {
        if (!options_.logReady) return;
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        log_.write("READY", {number(static_cast<long long>((ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime))});
    }

    LRESULT handle(Kind kind, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (kind == Kind::Command && message != 0 && (message == adjust_ || message == jump_)) {
            onTransfer(message == adjust_ ? text::kMsgAdjust : text::kMsgJump, wParam, lParam);
            return 0;
        }
        if (message == kStallMessage) {
            log_.write("STALL", {number(static_cast<long long>(wParam))});
            Sleep(static_cast<DWORD>(wParam));
            return 0;
        }
        if (message == WM_TIMER && wParam == kAskTimer && options_.askBookmarkMs) {
            askOnTimer();
            return 0;
        }
        if (message == WM_TIMER && wParam == kExitTimer && options_.exitMs) {
            KillTimer(hwnd, kExitTimer);
            log_.write("EXIT", {number(*options_.exitMs)});
            PostQuitMessage(0);
            return 0;
        }
        if (message == WM_TIMER && (wParam == kNotifyTimer || wParam == kBookmarkTimer)) {
            if (wParam == kBookmarkTimer) {
                KillTimer(hwnd, kBookmarkTimer);
                askForBookmark();
            } else {
                sendOwnRecords(hwnd);
            }
            return 0;
        }
        if (message == WM_TIMER && wParam == kStallTimer) {
            KillTimer(hwnd, kStallTimer);
            PostMessageW(hwnd, kStallMessage, options_.stallMs, 0);
            return 0;
        }
        if (message == kReportMessage) {
            reportOpened();
            return 0;
        }
        switch (message) {
            case WM_COPYDATA:
                return onControl(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
            case WM_CLOSE:
                log_.write("CLOSE", {kindName(kind)});
                PostQuitMessage(0);
                return 0;
            default:
                break;
        }
        if (kind == Kind::Frame && (message == WM_GETTEXTLENGTH || message == WM_GETTEXT)) {
            // Only a query from another thread (the panel) counts: the
            // window's own thread reads its title too.
            if (InSendMessage()) {
                log_.write("QUERY", {number(message)});
                if (message == WM_GETTEXTLENGTH && options_.titleLength) return *options_.titleLength;
            }
        }
        if (kind == Kind::Frame && message == standin::kProxyMessage) {
            log_.write("POST", {number(message), number(static_cast<long long>(wParam)), number(lParam)});
            return 0;
        }
        return options_.ansi ? DefWindowProcA(hwnd, message, wParam, lParam)
                             : DefWindowProcW(hwnd, message, wParam, lParam);
    }

private:
    // The window that takes the stand-in's own messages: command, else frame, else third.
    [[nodiscard]] HWND ownWindow() const noexcept {
        return command_ != nullptr ? command_ : frame_ != nullptr ? frame_ : third_;
    }

    HWND create(Kind kind, std::string_view className, DWORD style, DWORD exStyle, std::string_view title) {
        WindowSlot& slot = slots_[static_cast<int>(kind)];
        slot.owner = this;
        slot.kind = kind;
        const int offset = static_cast<int>(GetCurrentProcessId() / 4 % 16) * 24;
        if (options_.ansi) {
            // As a browser built on the ANSI functions: the GBK bytes as they are.
            const std::string ansiClass(className);
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &windowProcedure;
            wc.hInstance = instance_;
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
            wc.lpszClassName = ansiClass.c_str();
            if (RegisterClassExA(&wc) == 0) return nullptr;
            return CreateWindowExA(exStyle, ansiClass.c_str(), std::string(title).c_str(), style, 40 + offset,
                                   40 + offset, 320, 140, nullptr, nullptr, instance_, &slot);
        }
        const std::wstring wideClass = win::widen(className);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &windowProcedure;
        wc.hInstance = instance_;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = wideClass.c_str();
        if (RegisterClassExW(&wc) == 0) return nullptr;
        return CreateWindowExW(exStyle, wideClass.c_str(), win::widen(title).c_str(), style, 40 + offset,
                               40 + offset, 320, 140, nullptr, nullptr, instance_, &slot);
    }

    void onTransfer(std::string_view name, WPARAM wParam, LPARAM lParam) {
        if (options_.hangMs > 0) {
            // A busy browser: the message is looked at only after the stall.
            log_.write("HANG", {number(options_.hangMs)});
            Sleep(options_.hangMs);
        }
        const std::optional<win::ReceivedTransfer> received =
            win::receiveTransfer(wParam, lParam, options_.acknowledge);
        if (!received) {
            log_.write("REJECT", {toHex(name), number(static_cast<long long>(wParam)), number(lParam)});
            return;
        }
        log_.write("RECV", {toHex(name), toHex(received->payload)});
        if (name == text::kMsgAdjust) carryOut(received->payload);
        if (name == text::kMsgJump) ++addresses_;
        if (name == text::kMsgJump && options_.bookmarks > 0) {
            // Reported once the panel's send has returned, as a browser
            // reports after loading the page.
            opened_.push_back(received->payload);
            PostMessageW(ownWindow(), kReportMessage, 0, 0);
        }
    }

    // --standin-notify: the next link record (all that are left when no
    // interval was given), "<pid>-<n>" numbered from 1.
    void sendOwnRecords(HWND hwnd) {
        do {
            ++notified_;
            const std::string pid = std::to_string(GetCurrentProcessId());
            notify(recordPayload(text::kTagLinkCode, pid, pid + "-" + std::to_string(notified_)));
        } while (options_.notifyIntervalMs == 0 && notified_ < options_.notifyCount);
        if (notified_ >= options_.notifyCount) KillTimer(hwnd, kNotifyTimer);
    }

    // --standin-bookmarks: "#书签管理" from the command window.
    void askForBookmark() {
        ++asked_;
        notify(notificationPayload(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(command_)),
                                   text::kKeywordBookmark));
    }

    // The link record "<address>#<pid>" for each opened address, then the next request.
    void reportOpened() {
        std::vector<std::string> opened;
        opened.swap(opened_);
        const std::string pid = std::to_string(GetCurrentProcessId());
        for (const std::string& address : opened) {
            notify(recordPayload(text::kTagLinkCode, pid, address + "#" + pid));
            if (asked_ < options_.bookmarks) askForBookmark();
        }
    }

    // The request a browser makes when its script wants the next bookmark;
    // the address comes back under "跳转" while the request is being sent.
    void askOnTimer() {
        KillTimer(ownWindow(), kAskTimer);
        if (command_ == nullptr) return;
        const unsigned before = addresses_;
        notify(notificationPayload(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(command_)),
                                   text::kKeywordBookmark));
        const DWORD ms = *options_.askBookmarkMs;
        SetTimer(ownWindow(), kAskTimer, addresses_ != before ? ms : std::min<DWORD>(ms * 10, 600000), nullptr);
    }

    // The few commands whose effect a test can see on the frame window.
    void carryOut(std::string_view payload) {
        const std::string toolbar = toolbarPayload({});
        const std::string rename = titlePayload({});
        if (payload.substr(0, rename.size()) == rename) {
            setTitle(payload.substr(rename.size()));
        } else if (payload.substr(0, toolbar.size()) == toolbar && frame_ != nullptr) {
            const std::string_view action = payload.substr(toolbar.size());
            if (action == text::kToolbarHide) ShowWindow(frame_, SW_HIDE);
            if (action == text::kToolbarShow) ShowWindow(frame_, SW_SHOWNOACTIVATE);
            if (action == text::kToolbarPageTitle) setTitle(defaultTitle_);
        }
    }

    bool setTitle(std::string_view title) {
        if (frame_ == nullptr) return false;
        if (options_.ansi) {
            SetWindowTextA(frame_, std::string(title).c_str());
        } else {
            SetWindowTextW(frame_, win::widen(title).c_str());
        }
        log_.write("TITLE", {toHex(title)});
        return true;
    }

    bool notify(std::string_view payload) {
        const HWND panel = options_.ansi ? FindWindowA(nullptr, std::string(text::kMainCaption).c_str())
                                         : FindWindowW(nullptr, win::widen(text::kMainCaption).c_str());
        const bool acknowledged = panel != nullptr && win::sendTransfer(panel, text::kMsgNotify, payload, variant_);
        log_.write("NOTIFY", {acknowledged ? "1" : "0", toHex(payload)});
        return acknowledged;
    }

    LRESULT onControl(const COPYDATASTRUCT* data) {
        if (data == nullptr) return 0;
        std::string bytes;
        if (data->lpData != nullptr && data->cbData > 0) bytes.assign(static_cast<const char*>(data->lpData), data->cbData);
        switch (data->dwData) {
            case standin::kControlNotify:
                return notify(bytes) ? 1 : 0;
            case standin::kControlSetTitle:
                return setTitle(bytes) ? 1 : 0;
            case standin::kControlStall: {
                if (bytes.size() < 4) return 0;
                std::uint32_t ms = 0;
                for (int i = 3; i >= 0; --i) ms = ms * 256 + static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
                // After the order has returned: the sender is not kept waiting.
                PostMessageW(ownWindow(), kStallMessage, static_cast<WPARAM>(std::min<std::uint32_t>(ms, 600000)), 0);
                return 1;
            }
            case standin::kControlNotifyMany: {
                if (bytes.size() < 4) return 0;
                std::uint32_t count = 0;
                for (int i = 3; i >= 0; --i) count = count * 256 + static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
                constexpr std::uint32_t kMostAtOnce = 100000;
                if (count > kMostAtOnce) count = kMostAtOnce;
                const std::string_view payload = std::string_view(bytes).substr(4);
                LRESULT acknowledged = 0;
                for (std::uint32_t i = 0; i < count; ++i) acknowledged += notify(payload) ? 1 : 0;
                return acknowledged;
            }
            default:
                return 0;
        }
    }

    HINSTANCE instance_;
    Options options_;
    std::string defaultTitle_;
    win::NameVariant variant_;
    UINT adjust_;
    UINT jump_;
    Log log_;
    WindowSlot slots_[3];
    HWND frame_ = nullptr;
    HWND command_ = nullptr;
    HWND third_ = nullptr;
    unsigned addresses_ = 0;  // addresses received under "跳转"
    unsigned notified_ = 0;            // link records sent for --standin-notify
    unsigned asked_ = 0;               // bookmarks asked for
    std::vector<std::string> opened_;  // addresses opened, not yet reported
};

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto* slot = reinterpret_cast<const WindowSlot*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (slot == nullptr || slot->owner == nullptr) return IsWindowUnicode(hwnd) ? DefWindowProcW(hwnd, message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
    try {
        return slot->owner->handle(slot->kind, hwnd, message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's message dispatch.
        return 0;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const std::string defaultTitle = "Standin " + std::to_string(GetCurrentProcessId());
    Standin standin(instance, parseOptions(defaultTitle), defaultTitle);
    if (!standin.createWindows()) return 1;
    standin.aboutToReadMessages();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
