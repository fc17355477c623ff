#include "link/transfer_codec.h"

#include <gtest/gtest.h>

#include "common/texts.h"

namespace {

using namespace vuv;
using namespace std::string_literals;

TEST(TransferCodec, FlashCommandFromFourDigitProcess) {
    const std::string payload = std::string(text::kTagVuv) + std::string(text::kCommandFlash);
    const auto length = static_cast<std::uint32_t>(payload.size());
    const std::string descriptor = buildDescriptor(1234567, length, 7654321);
    EXPECT_EQ(descriptor, "1234567$" + std::to_string(length) + "&7654321");
    EXPECT_EQ(encodeTransferWParam("4711", descriptor.size()), 4471118u);
    EXPECT_EQ(decodeTransferWParam(4471118), (TransferHeader{4711, 18}));
    EXPECT_EQ(parseDescriptor(descriptor), (Descriptor{1234567, length, 7654321}));
}

TEST(TransferCodec, DescriptorTexts) {
    const std::pair<Descriptor, std::string> built[] = {
        {{0, 0, 0}, "0$0&0"},
        {{0x7FFFFFFF, kMaxPayloadLength, 0x80000000}, "2147483647$67108864&-2147483648"},
        {{0xFFFFFFFF, 5, 0xFFFFFFFE}, "-1$5&-2"},
    };
    for (const auto& [value, text] : built) {
        EXPECT_EQ(buildDescriptor(value.replyAddress, value.payloadLength, value.payloadAddress), text);
        EXPECT_EQ(parseDescriptor(text), value) << text;
    }
    // Lenient: leading zeros, unsigned addresses above 2 GB, a counted terminator.
    const std::pair<Descriptor, std::string> lenient[] = {
        {{7, 13, 0}, "007$0013&-0"},
        {{0xFFFFFFFF, 1, 0x80000000}, "4294967295$1&2147483648"},
        {{1, 2, 3}, "1$2&3\0garbage"s},
    };
    for (const auto& [value, text] : lenient) EXPECT_EQ(parseDescriptor(text), value) << text;

    for (const std::string& text : {""s, "1$2"s, "12&3"s, "1&2$3"s, "$2&3"s, "1$&3"s, "1$2&"s, "-$1&1"s, " 1$2&3"s,
                                   "1$2&3 "s, "1$2&3x"s, "1$2&3&4"s, "1$2$3&4"s, "+1$2&3"s, "1$-2&3"s, "1$67108865&3"s,
                                   "1$99999999999999999999&3"s, "4294967296$1&1"s, "-2147483649$1&1"s, "\0" "1$2&3"s}) {
        EXPECT_FALSE(parseDescriptor(text)) << text;
    }
}

TEST(TransferCodec, WParamDigitStrings) {
    const std::tuple<const char*, std::size_t, std::uint32_t, std::uint32_t> fits[] = {
        {"1234", 18, 4123418, 1234}, {"0", 5, 105, 0},          {"999999", 32, 699999932, 999999},
        {"1234567", 9, 712345679, 1234567}, {"0042", 64, 4004264, 42},
    };
    for (const auto& [pid, length, wParam, decodedPid] : fits) {
        EXPECT_EQ(encodeTransferWParam(pid, length), wParam) << pid;
        EXPECT_EQ(decodeTransferWParam(static_cast<std::int32_t>(wParam)),
                  (TransferHeader{decodedPid, static_cast<std::uint32_t>(length)}));
    }
    const std::pair<const char*, std::size_t> refused[] = {
        {"", 18}, {"12a4", 18}, {"-123", 18}, {"1234567", 10}, {"123456789", 18}, {"1234", 0}, {"1234", 65},
    };
    for (const auto& [pid, length] : refused) EXPECT_FALSE(encodeTransferWParam(pid, length)) << pid;
    // Negative, nothing after the count, no length, length 0 or over the cap, too few digits.
    for (const std::int32_t wParam : {0, -4123418, INT32_MIN, 4, 41234, 412340, 4123465, 91234567, 2147483647}) {
        EXPECT_FALSE(decodeTransferWParam(wParam)) << wParam;
    }
}

}  // namespace
