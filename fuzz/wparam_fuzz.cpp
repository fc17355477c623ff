// Checks the wParam digit string both ways: every header the decoder accepts
// can be encoded again and decodes to the same header, and every process id
// text the encoder accepts decodes to its value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "link/transfer_codec.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    std::int32_t wParam = 0;
    std::memcpy(&wParam, data, sizeof wParam);

    if (const auto header = vuv::decodeTransferWParam(wParam)) {
        check(header->processId <= 999999999u);
        check(header->descriptorLength >= 1 && header->descriptorLength <= vuv::kMaxDescriptorLength);
        // Without leading zeros the digit string can only get shorter, so it fits.
        const auto again = vuv::encodeTransferWParam(std::to_string(header->processId), header->descriptorLength);
        check(again.has_value());
        check(vuv::decodeTransferWParam(static_cast<std::int32_t>(*again)) == header);
    }

    const std::size_t descriptorLength = data[4];
    const std::string_view processIdText(reinterpret_cast<const char*>(data + 5), size - 5);
    if (const auto encoded = vuv::encodeTransferWParam(processIdText, descriptorLength)) {
        check(*encoded <= 2147483647u);
        const auto header = vuv::decodeTransferWParam(static_cast<std::int32_t>(*encoded));
        check(header.has_value());
        check(header->processId == std::stoul(std::string(processIdText)));
        check(header->descriptorLength == descriptorLength);
    }
    return 0;
}
