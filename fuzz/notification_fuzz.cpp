// Feeds arbitrary bytes to the notification decision and checks that the
// result is consistent with the text: nothing for unknown input, a window
// only for notifications, a keyword reaction only for the exact keyword, and
// a content that is a separator-free piece of the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/gbk.h"
#include "common/texts.h"
#include "link/notification.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using Kind = vuv::Reaction::Kind;
    namespace text = vuv::text;
    // A copy of exactly the input, so the sanitizer sees any read past it.
    const std::string input(reinterpret_cast<const char*>(data), size);
    const vuv::Reaction r = vuv::decideNotification(input);

    check(r.content.size() <= size);
    check(vuv::gbk::find(r.content, text::kSeparator) == vuv::gbk::npos);
    switch (r.kind) {
        case Kind::None:
            check(r.window == 0 && r.content.empty());
            break;
        case Kind::LinkRecord:
            check(r.window == 0 && input.rfind(text::kTagLinkCode, 0) == 0);
            break;
        case Kind::PageRecord:
            check(r.window == 0 && input.rfind(text::kTagPageSource, 0) == 0);
            break;
        case Kind::Refresh: check(r.content == text::kKeywordRefresh); break;
        case Kind::Close: check(r.content == text::kKeywordClose); break;
        case Kind::Stop: check(r.content == text::kKeywordStop); break;
        case Kind::NextBookmark: check(r.content == text::kKeywordBookmark); break;
        case Kind::Rules:
            check(input.rfind(text::kTagVuv, 0) == 0);
            check(r.content != text::kKeywordRefresh && r.content != text::kKeywordClose &&
                  r.content != text::kKeywordStop && r.content != text::kKeywordBookmark);
            break;
    }

    // A well-formed notification built around the input as content (with
    // separators and tags taken out, and not ending in half a character)
    // carries the handle and the content.
    const std::string content = vuv::gbk::removeAll(vuv::gbk::removeAll(input, text::kSeparator), text::kTagVuv);
    std::size_t last = 0;
    for (std::size_t i = 0; i < content.size(); i += vuv::gbk::charLength(content, i)) last = i;
    const bool endsInLoneLeadByte =
        !content.empty() && last + 1 == content.size() && vuv::gbk::isLeadByte(static_cast<unsigned char>(content[last]));
    if (!endsInLoneLeadByte && vuv::gbk::find(content, text::kTagVuv) == vuv::gbk::npos &&
        vuv::gbk::find(content, text::kSeparator) == vuv::gbk::npos) {
        const std::uint32_t handle = static_cast<std::uint32_t>(size) * 2654435761u;
        const std::string message = std::string(text::kTagVuv) + std::to_string(handle) +
                                    std::string(text::kSeparator) + content + std::string(text::kSeparator);
        const vuv::Reaction built = vuv::decideNotification(message);
        check(built.window == handle);
        check(built.content == content);
        check(built.kind != Kind::None);
    }
    return 0;
}
