// Fuzz target: findAnchors on any bytes stays inside its text and returns
// ordered matches; on valid GBK it agrees with the backtracking reference.
#include "bookmarks/anchor_matcher.h"

#include "common/gbk.h"
#include "core/bookmarks/anchor_reference.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

// Makes every lead byte start a valid pair: a lead byte followed by a byte
// that cannot be a trail (below 0x40, 0x7F or 0xFF) becomes "?". Converter
// output, which the importer matches, is always valid in this sense.
std::string validGbk(std::string_view bytes) {
    std::string out(bytes);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (!vuv::gbk::isLeadByte(static_cast<unsigned char>(out[i]))) continue;
        const auto trail = static_cast<unsigned char>(out[i + 1]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) {
            out[i] = '?';
        } else {
            ++i;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    std::size_t previousEnd = 0;
    for (const vuv::AnchorMatch& m : vuv::findAnchors(raw)) {
        // At least "href=", one address byte, a quote, ">" and "</A>".
        require(previousEnd <= m.begin && m.begin + 12 <= m.end && m.end <= size);
        require((raw[m.begin] | 0x20) == 'h' && raw[m.begin + 4] == '=' && raw[m.end - 4] == '<' && raw[m.end - 1] == '>');
        require(!m.address.empty() && m.address.data() >= raw.data() + m.begin + 5);
        require(m.address.data() + m.address.size() < raw.data() + m.end - 4);
        require(m.hasName ? m.name.data() > m.address.data() && m.name.data() + m.name.size() == raw.data() + m.end - 4
                          : m.name.empty());
        previousEnd = m.end;
    }

    if (size > 512) return 0;  // the reference is slow on long texts
    const std::string text = validGbk(raw);
    const std::vector<vuv::reference::Match> expected = vuv::reference::referenceAnchors(text);
    const std::vector<vuv::AnchorMatch> actual = vuv::findAnchors(text);
    require(actual.size() == expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        vuv::reference::Match m;
        m.begin = actual[i].begin;
        m.end = actual[i].end;
        m.addressBegin = static_cast<std::size_t>(actual[i].address.data() - text.data());
        m.addressEnd = m.addressBegin + actual[i].address.size();
        m.hasName = actual[i].hasName;
        if (m.hasName) {
            m.nameBegin = static_cast<std::size_t>(actual[i].name.data() - text.data());
            m.nameEnd = m.nameBegin + actual[i].name.size();
        }
        require(m == expected[i]);
    }
    return 0;
}
