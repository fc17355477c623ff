// Feeds arbitrary bytes to the descriptor parser and checks that whatever it
// accepts survives a round trip through the builder, and that every value
// the builder can produce is read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "link/transfer_codec.h"

namespace {

std::uint32_t word(const std::uint8_t* data) {
    std::uint32_t value = 0;
    std::memcpy(&value, data, sizeof value);
    return value;
}

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto parsed = vuv::parseDescriptor(text)) {
        check(parsed->payloadLength <= vuv::kMaxPayloadLength);
        const std::string rebuilt =
            vuv::buildDescriptor(parsed->replyAddress, parsed->payloadLength, parsed->payloadAddress);
        check(rebuilt.size() <= vuv::kMaxDescriptorLength);
        check(vuv::parseDescriptor(rebuilt) == parsed);
    }

    if (size >= 12) {
        const vuv::Descriptor value{word(data), word(data + 4) % (vuv::kMaxPayloadLength + 1), word(data + 8)};
        const std::string built = vuv::buildDescriptor(value.replyAddress, value.payloadLength, value.payloadAddress);
        check(built.size() <= vuv::kMaxDescriptorLength);
        check(vuv::parseDescriptor(built) == value);
    }
    return 0;
}
