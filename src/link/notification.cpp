#include "link/notification.h"

#include <algorithm>
#include <vector>

#include "common/gbk.h"
#include "common/texts.h"
#include "link/payloads.h"

namespace vuv {
namespace {

// The tag is read as the first nine bytes of the text, the length of the two
// record tags. Every tagged text shorter than that is ignored, a short
// "vuv|||" text included: the shortest useful notification, "vuv|||" + digit
// + "■", already has nine bytes.
constexpr std::size_t kTagLength = 9;

// Fields of the body after every occurrence of the tag has been removed:
// split at "■" at character boundaries, an empty last field dropped.
[[nodiscard]] std::vector<std::string_view> fieldsOf(std::string_view body) {
    std::vector<std::string_view> fields = gbk::split(body, text::kSeparator);
    if (!fields.empty() && fields.back().empty()) fields.pop_back();
    return fields;
}

[[nodiscard]] constexpr bool isBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

[[nodiscard]] Reaction::Kind keywordKind(std::string_view content) noexcept {
    if (content == text::kKeywordRefresh) return Reaction::Kind::Refresh;
    if (content == text::kKeywordClose) return Reaction::Kind::Close;
    if (content == text::kKeywordStop) return Reaction::Kind::Stop;
    if (content == text::kKeywordBookmark) return Reaction::Kind::NextBookmark;
    return Reaction::Kind::Rules;
}

}  // namespace

std::uint32_t parseWindowHandle(std::string_view field) noexcept {
    constexpr std::uint64_t kTwoTo32 = std::uint64_t{1} << 32;
    std::size_t i = 0;
    while (i < field.size() && isBlank(field[i])) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) {
        negative = field[i] == '-';
        ++i;
    }
    const std::uint64_t limit = negative ? (kTwoTo32 >> 1) : kTwoTo32 - 1;
    std::uint64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(field[i] - '0');
        if (value > limit) return 0;
    }
    if (negative) value = (kTwoTo32 - value) % kTwoTo32;
    return static_cast<std::uint32_t>(value);
}

Reaction decideNotification(std::string_view payload) {
    if (payload.size() < kTagLength) return {};

    std::string_view tag;
    Reaction::Kind recordKind = Reaction::Kind::None;
    if (payload.substr(0, text::kTagVuv.size()) == text::kTagVuv) {
        tag = text::kTagVuv;
    } else if (payload.substr(0, text::kTagLinkCode.size()) == text::kTagLinkCode) {
        tag = text::kTagLinkCode;
        recordKind = Reaction::Kind::LinkRecord;
    } else if (payload.substr(0, text::kTagPageSource.size()) == text::kTagPageSource) {
        tag = text::kTagPageSource;
        recordKind = Reaction::Kind::PageRecord;
    } else {
        return {};
    }

    // The tag goes wherever it occurs, not just at the front: a content that
    // contains it loses it too.
    const std::string body = gbk::removeAll(payload, tag);
    const std::vector<std::string_view> fields = fieldsOf(body);
    if (fields.size() < 2) return {};

    Reaction reaction;
    reaction.content = std::string(fields[1]);
    if (recordKind != Reaction::Kind::None) {
        // A record ends at its first NUL: a browser that counted its text's
        // terminator in the length sends one, and the text is what came before.
        reaction.content.resize(std::min(reaction.content.size(), reaction.content.find('\0')));
        reaction.kind = recordKind;
        return reaction;
    }
    reaction.window = parseWindowHandle(fields[0]);
    reaction.kind = keywordKind(fields[1]);
    return reaction;
}

void carryOut(const Reaction& reaction, PanelActions& actions) {
    using Kind = Reaction::Kind;
    switch (reaction.kind) {
        case Kind::None: return;
        case Kind::Refresh:
            actions.send(reaction.window, Command::of(Command::Kind::Refresh));
            return;
        case Kind::Stop: actions.send(reaction.window, Command::of(Command::Kind::Stop)); return;
        case Kind::Close:
            // The table is rebuilt first, so the close reaches the browser as
            // the records know it now.
            actions.scan();
            actions.closeBrowserOf(reaction.window);
            return;
        case Kind::NextBookmark: actions.handOutBookmark(reaction.window); return;
        case Kind::Rules: actions.applyRules(reaction.window, reaction.content); return;
        case Kind::LinkRecord: actions.appendRecord(PanelActions::Record::Link, reaction.content); return;
        case Kind::PageRecord: actions.appendRecord(PanelActions::Record::Page, reaction.content); return;
    }
}

}  // namespace vuv
