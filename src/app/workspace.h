// The workspace file: everything the operator typed or imported, saved as one
// GBK text so the panel can open it again after a restart or a crash, and the
// rule file, the same format holding only the rules.
//
// Layout (docs/workspace-format.md shows an example):
// - lines end in CR LF; a line ended by LF alone is read the same way, and
//   the last line needs no line end. Any other CR is an error;
// - the first line names the format and its version: "VUV-WORKSPACE 1" or
//   "VUV-RULES 1"; the last non-empty line is "[END]", so a file cut short by
//   a crash is refused instead of read as a shorter workspace;
// - between them, sections, each opened by a line "[name]": 设置, 批量启动,
//   书签, 规则 (the only one a rule file may hold), 链接记录, 网页记录. Each
//   at most once, in any order; a missing section reads as empty (a missing
//   record as none);
// - a line that starts with "[" is always a section line; data lines never
//   do (a leading "[" of data is written "\[");
// - 设置: "name TAB value" per setting, each setting at most once; missing
//   settings stay nullopt;
// - 批量启动, 书签, 规则: one row per line, fields separated by TAB; a
//   书签 row has four fields, or five when the holder's creation time is
//   known;
// - empty lines are skipped, except in records;
// - 链接记录, 网页记录: the record's text cut at its CR LF pairs, one piece
//   per line (every line, empty ones too, belongs to the record);
// - empty lines after "[END]" are ignored, anything else there is an error.
//
// Fields are written with escapes: "\\" backslash, "\t" TAB, "\r" CR, "\n"
// LF, "\[" "[", "\xHH" any byte (two hex digits). TABs and line ends are cut
// on raw bytes (no GBK character holds one); a backslash starts an escape
// only at a character boundary, so a double-byte character whose trail byte
// is "\" stays whole. A lead byte directly before a TAB, CR or LF of the data
// would pair with the backslash of that byte's escape, so the writer writes
// it "\xHH". A raw TAB inside a record line is taken as data.
//
// Parsers are total: any bytes give the data or the 1-based line of the first
// problem with a short ASCII reason. They never throw (other than on memory
// exhaustion) and never read outside the text. For every workspace whose
// rule conditions are non-empty, parse(write(w)) == w.
#pragma once

#include "launch/launch_entry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vuv {

inline constexpr std::uint32_t kNoHolder = 0;  // bookmark held by no process
inline constexpr std::int32_t kNoTime = -1;    // bookmark never handed out

// The launch page's controls. A setting missing from the file is nullopt: the
// control keeps what it shows.
struct WorkspaceSettings {
    std::optional<std::string> launchInterval;  // 启动间隔, the edit box's text as typed
    std::optional<bool> designatedBrowser;      // 批量启动指定浏览器
    std::optional<bool> wapMode;                // WAP浏览模式
    std::optional<bool> loopBookmarks;          // 是否循环打开书签

    friend bool operator==(const WorkspaceSettings& a, const WorkspaceSettings& b) {
        return a.launchInterval == b.launchInterval && a.designatedBrowser == b.designatedBrowser &&
               a.wapMode == b.wapMode && a.loopBookmarks == b.loopBookmarks;
    }
};

struct SavedBookmark {
    std::string address;
    bool opened = false;                       // 已打开 / 未使用
    std::uint32_t holderProcessId = kNoHolder;  // process the bookmark was handed to
    // Seconds since midnight of the hand-out, kNoTime for none. Written
    // HH:MM:SS; values outside a day survive too (hours past 23, a minus).
    std::int32_t handedOutAt = kNoTime;
    // The holder's creation time (100 ns units since 1601, UTC), which tells
    // it from a later process with the same id; 0 when not known. Written
    // as a fifth field only when known, so rows without it keep four.
    std::uint64_t holderStarted = 0;

    friend bool operator==(const SavedBookmark& a, const SavedBookmark& b) {
        return a.address == b.address && a.opened == b.opened && a.holderProcessId == b.holderProcessId &&
               a.handedOutAt == b.handedOutAt && a.holderStarted == b.holderStarted;
    }
};

struct SavedRule {
    std::string condition;  // never empty; any bytes, CR LF and TAB included
    std::string action;     // may be empty or any text
    std::string link;
    std::uint64_t hits = 0;

    friend bool operator==(const SavedRule& a, const SavedRule& b) {
        return a.condition == b.condition && a.action == b.action && a.link == b.link && a.hits == b.hits;
    }
};

struct Workspace {
    WorkspaceSettings settings;
    std::vector<LaunchEntry> launchList;
    std::vector<SavedBookmark> bookmarks;
    std::vector<SavedRule> rules;
    // Whole texts with CR LF line ends (lone CR, LF and TAB kept as they
    // are); nullopt when the records were not saved.
    std::optional<std::string> linkRecord;
    std::optional<std::string> pageRecord;

    friend bool operator==(const Workspace& a, const Workspace& b) {
        return a.settings == b.settings && a.launchList == b.launchList && a.bookmarks == b.bookmarks &&
               a.rules == b.rules && a.linkRecord == b.linkRecord && a.pageRecord == b.pageRecord;
    }
};

struct WorkspaceError {
    std::size_t line = 0;  // 1-based
    std::string what;      // short ASCII reason

    friend bool operator==(const WorkspaceError& a, const WorkspaceError& b) {
        return a.line == b.line && a.what == b.what;
    }
};

// The file's bytes: header, 设置 (the settings that are set), 批量启动, 书签
// and 规则 (always, possibly empty), the records that are present, [END].
[[nodiscard]] std::string writeWorkspace(const Workspace& workspace);

// Reads a workspace file; the first problem, by line, wins.
[[nodiscard]] std::variant<Workspace, WorkspaceError> parseWorkspace(std::string_view bytes);

// A rule file: "VUV-RULES 1", 规则, [END].
[[nodiscard]] std::string writeRuleFile(const std::vector<SavedRule>& rules);

// Reads a rule file. A workspace file, or a rule file with any section other
// than 规则, is refused.
[[nodiscard]] std::variant<std::vector<SavedRule>, WorkspaceError> parseRuleFile(std::string_view bytes);

}  // namespace vuv
