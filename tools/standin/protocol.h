// What the stand-in browser and the end-to-end tests agree on: the test-only
// command-line options, the WM_COPYDATA control codes and the log format.
//
// Log: one record per line, fields separated by single blanks, written with
// one WriteFile each so a reader polling the file sees whole lines. Bytes that
// may hold anything (GBK texts, payloads, the command line) are hex-encoded;
// an empty byte string gives an empty field.
//
//   CMDLINE <hex>                       own command line (GBK), first record
//   WINDOWS <frame> <command> <third>   handles in decimal, 0 for a window not made
//   RECV <hex name> <hex payload>       transfer read on the command window
//   REJECT <hex name> <wParam> <lParam> transfer that could not be read
//   HANG <ms>                           about to stall inside a transfer
//   POST <message> <wParam> <lParam>    proxy message on the frame window
//   TITLE <hex>                         frame title changed
//   NOTIFY <0|1> <hex payload>          notification sent to the panel; 1 = acknowledged
//   CLOSE <frame|command|third>         WM_CLOSE received; the process then exits
//   QUERY <message>                     the frame was asked for its title (WM_GETTEXTLENGTH or WM_GETTEXT)
//   STALL <ms>                          about to stop reading messages that long
//   READY <time>                        (with --standin-log-ready) about to read messages for the first
//                                       time; system time in 100 ns units since 1601, as GetProcessTimes gives
//   EXIT <ms>                           (with --standin-exit-ms) ending by itself, ms after its windows were made
//
// Numbers are signed decimals of the message parameters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vuv::standin {

// Options; the panel never passes anything that starts with "--standin-".
inline constexpr std::wstring_view kOptionPrefix = L"--standin-";
inline constexpr std::wstring_view kOptNoFrame = L"--standin-no-frame";
inline constexpr std::wstring_view kOptNoCommand = L"--standin-no-command";
inline constexpr std::wstring_view kOptOnlyThird = L"--standin-only-third";
inline constexpr std::wstring_view kOptNoAck = L"--standin-no-ack";
inline constexpr std::wstring_view kOptTitle = L"--standin-title=";      // hex of the GBK title
inline constexpr std::wstring_view kOptHangMs = L"--standin-hang-ms=";  // stall inside each transfer
// The frame answers WM_GETTEXTLENGTH with this number, whatever its title.
inline constexpr std::wstring_view kOptTitleLength = L"--standin-title-length=";
// Classes, message names, the panel's caption and titles through the ANSI
// functions with the GBK bytes, as a browser built that way does.
inline constexpr std::wstring_view kOptAnsi = L"--standin-ansi";
// Ends by itself this many milliseconds after its windows were made, as a
// browser that crashes or quits would.
inline constexpr std::wstring_view kOptExitMs = L"--standin-exit-ms=";
// Asks the panel for a bookmark ("#书签管理") that long after its windows are
// made and again that long after each address it is sent; a request that
// brought no address is asked again ten times later.
inline constexpr std::wstring_view kOptAskBookmarkMs = L"--standin-ask-bookmark-ms=";
// Logs READY with the time it is about to read messages for the first time
// (when a starter's wait for it to be idle ends).
inline constexpr std::wstring_view kOptLogReady = L"--standin-log-ready";
// <count>,<interval ms>: once it reads messages, sends count link records
// "连接码|||<pid>■<pid>-<n>" (n = 1, 2, ...) one every interval (0: all at once).
inline constexpr std::wstring_view kOptNotify = L"--standin-notify=";
// <n>: asks for a bookmark ("vuv|||<command window>■#书签管理") once it reads
// messages; answers each address opened under "跳转" with the link record
// "连接码|||<pid>■<address>#<pid>" and, until it has asked n times, asks again.
inline constexpr std::wstring_view kOptBookmarks = L"--standin-bookmarks=";
// <a>,<b>: a milliseconds after its windows were made, stops reading
// messages for b milliseconds (logging STALL): a browser that hangs.
inline constexpr std::wstring_view kOptStallAt = L"--standin-stall-at=";

// Options read after those of the command line, separated by blanks: copies
// the panel starts inherit its environment but get no options of their own.
inline constexpr wchar_t kOptionsVariable[] = L"VUV_STANDIN_OPTIONS";

// Directory for the log file standin-<pid>.log; default: beside the exe.
inline constexpr wchar_t kLogDirVariable[] = L"VUV_STANDIN_LOG";

// WM_COPYDATA dwData codes understood by every stand-in window.
enum Control : std::uintptr_t {
    kControlNotify = 1,      // bytes: send them to the panel under "通知"; returns 1 if acknowledged
    kControlSetTitle = 2,    // bytes: the new frame title (GBK); returns 1 if there is a frame
    kControlNotifyMany = 3,  // uint32 count (little endian) + bytes; returns the number acknowledged
    kControlStall = 4,       // uint32 milliseconds (little endian): the browser stops reading messages that long,
                             // starting once this order has returned; returns 1
};

// The proxy message the panel posts to the frame window.
inline constexpr unsigned kProxyMessage = 10004;

inline std::string toHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 0x0F]);
    }
    return out;
}

inline std::optional<std::string> fromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    const auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = nibble(hex[i]);
        const int low = nibble(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out.push_back(static_cast<char>(high * 16 + low));
    }
    return out;
}

}  // namespace vuv::standin
