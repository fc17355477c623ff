#include "link/payloads.h"

#include "common/texts.h"

#include <initializer_list>

namespace vuv {

namespace {

std::string concat(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (std::string_view p : parts) size += p.size();
    std::string out;
    out.reserve(size);
    for (std::string_view p : parts) out.append(p);
    return out;
}

}  // namespace

std::string commandPayload(std::string_view command) { return concat({text::kTagVuv, command}); }

std::string basicPayload(std::string_view key, std::string_view value) {
    return concat({text::kTagBasic, key, text::kBars, value});
}

std::string toolbarPayload(std::string_view action) { return basicPayload(text::kKeyToolbar, action); }

std::string titlePayload(std::string_view name) { return basicPayload(text::kKeyTitle, name); }

std::string readConfigPayload(std::string_view path) {
    return concat({text::kTagVuv, text::kReadConfigPrefix, path});
}

std::string notificationPayload(std::uint32_t commandWindow, std::string_view content) {
    return concat({text::kTagVuv, std::to_string(commandWindow), text::kSeparator, content});
}

std::string recordPayload(std::string_view tag, std::string_view field, std::string_view text) {
    return concat({tag, field, text::kSeparator, text});
}

}  // namespace vuv
