// What a text received under the notification message asks the program to do.
//
// The received text starts with a tag: "vuv|||" for a notification from a
// browser, "连接码|||" for a link record, "源代码|||" for a page record. Its
// body is a first field, "■", a second field. For notifications the first
// field is the sending browser's command window handle in decimal and the
// second is a keyword or a text for the rules; for records the second field
// is the text to keep. The decision is a plain value; carryOut() turns it into
// the panel's actions, which the Win32 side implements (and tests record).
#pragma once

#include "link/command.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vuv {

struct Reaction {
    enum class Kind {
        None,          // not for us, or malformed: do nothing
        Refresh,       // toolbar "refresh" to `window`
        Stop,          // toolbar "stop" to `window`
        Close,         // rescan, then close the frame window that belongs to `window`
        NextBookmark,  // open the next unused bookmark in `window`
        Rules,         // match `content` against the notification rules for `window`
        LinkRecord,    // append `content` to the link record
        PageRecord,    // append `content` to the page record
    };
    Kind kind = Kind::None;
    std::uint32_t window = 0;  // sender's command window handle (notifications only)
    std::string content;       // second field: keyword or rule text, link, or page text (up to its first NUL)

    friend bool operator==(const Reaction& a, const Reaction& b) {
        return a.kind == b.kind && a.window == b.window && a.content == b.content;
    }
};

// Decides what a received payload (GBK bytes) means. Total: any byte string
// gives a Reaction; an unknown tag, a text shorter than a full nine-byte tag,
// or a body with fewer than two fields gives Kind::None.
[[nodiscard]] Reaction decideNotification(std::string_view payload);

// The leading integer of a notification's first field as a window handle:
// leading blanks skipped, an optional sign, then decimal digits up to the
// first non-digit. A negative number is taken as the 32-bit value a browser
// printing handles as signed integers started from. No digits, or a value
// outside [-2147483648, 4294967295], gives 0.
[[nodiscard]] std::uint32_t parseWindowHandle(std::string_view field) noexcept;

// What carrying out a notification may do. The Win32 side implements it;
// tests replace it with a recording double.
class PanelActions {
public:
    enum class Record { Link, Page };

    virtual ~PanelActions() = default;
    // A command to the browser whose command window is given (the one the
    // notification named, whether or not it is listed).
    virtual void send(std::uint32_t commandWindow, const Command& command) = 0;
    // Text and CR LF at the end of a record.
    virtual void appendRecord(Record record, std::string_view text) = 0;
    // The next unused bookmark to the browser whose command window is given.
    virtual void handOutBookmark(std::uint32_t commandWindow) = 0;
    // The first matching notification rule, for the browser that sent content.
    virtual void applyRules(std::uint32_t commandWindow, std::string_view content) = 0;
    // Rebuilds the instance records and the table.
    virtual void scan() = 0;
    // Posts the close to the frame window the records give for commandWindow
    // (nothing when they give none).
    virtual void closeBrowserOf(std::uint32_t commandWindow) = 0;
};

// Carries a decision out: "#刷新" and "#停止" answer with the toolbar actions
// 6 and 4, "#关闭" rescans and then closes, "#书签管理" hands out a bookmark,
// any other content goes to the rules, records are appended.
void carryOut(const Reaction& reaction, PanelActions& actions);

}  // namespace vuv
