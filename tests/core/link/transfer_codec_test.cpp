#include "link/transfer_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "common/texts.h"

namespace {

using namespace vuv;
using namespace std::string_literals;

TEST(TransferCodec, FlashCommandFromFourDigitProcess) {
    const std::string payload = std::string(text::kTagVuv) + std::string(text::kCommandFlash);
    const std::uint32_t reply = 1234567;
    const std::uint32_t at = 7654321;
    const std::string descriptor = buildDescriptor(reply, static_cast<std::uint32_t>(payload.size()), at);
    EXPECT_EQ(descriptor, "1234567$" + std::to_string(payload.size()) + "&7654321");
    ASSERT_EQ(descriptor.size(), 18u);

    const auto wParam = encodeTransferWParam("4711", descriptor.size());
    ASSERT_TRUE(wParam);
    EXPECT_EQ(*wParam, 4471118u);

    const auto header = decodeTransferWParam(static_cast<std::int32_t>(*wParam));
    ASSERT_TRUE(header);
    EXPECT_EQ(*header, (TransferHeader{4711, 18}));
    EXPECT_EQ(parseDescriptor(descriptor), (Descriptor{reply, static_cast<std::uint32_t>(payload.size()), at}));
}

TEST(TransferCodec, DescriptorWritesAddressesAsSignedDecimalsAndReadsThemBack) {
    struct Case {
        Descriptor value;
        const char* text;
    };
    const Case cases[] = {
        {{0, 0, 0}, "0$0&0"},
        {{1, 13, 2}, "1$13&2"},
        {{0x7FFFFFFF, kMaxPayloadLength, 0x80000000}, "2147483647$67108864&-2147483648"},
        {{0xFFFFFFFF, 5, 0xFFFFFFFE}, "-1$5&-2"},
        {{0x80000001, 100, 0x00400000}, "-2147483647$100&4194304"},
    };
    for (const Case& c : cases) {
        const std::string built = buildDescriptor(c.value.replyAddress, c.value.payloadLength, c.value.payloadAddress);
        EXPECT_EQ(built, c.text);
        EXPECT_LE(built.size(), kMaxDescriptorLength);
        EXPECT_EQ(parseDescriptor(built), c.value) << c.text;
    }
}

TEST(TransferCodec, ParseDescriptorIsLenientAboutZerosUnsignedAddressesAndTerminators) {
    struct Case {
        std::string text;
        Descriptor value;
    };
    const Case cases[] = {
        {"007$0013&00", {7, 13, 0}},
        {"4294967295$1&2147483648", {0xFFFFFFFF, 1, 0x80000000}},
        {"-0$0&-0", {0, 0, 0}},
        {"1$2&3\0garbage"s, {1, 2, 3}},
        {"1$2&3\0"s, {1, 2, 3}},
    };
    for (const Case& c : cases) EXPECT_EQ(parseDescriptor(c.text), c.value) << c.text;
}

TEST(TransferCodec, ParseDescriptorRefusesMalformedText) {
    const std::string cases[] = {
        "",
        "$&",
        "1$2",
        "12&3",
        "1&2$3",
        "$2&3",
        "1$&3",
        "1$2&",
        "-$1&1",
        "1$2&-",
        " 1$2&3",
        "1$2&3 ",
        "1 $2&3",
        "1$2&3x",
        "1$2&3&4",
        "1$2$3&4",
        "+1$2&3",
        "1$-2&3",
        "1$+2&3",
        "1$67108865&3",
        "1$99999999999999999999&3",
        "4294967296$1&1",
        "-2147483649$1&1",
        "1$1&00000000000000000000004294967296",
        "\0" "1$2&3"s,
        "1\0$2&3"s,
    };
    for (const std::string& text : cases) EXPECT_FALSE(parseDescriptor(text)) << text;
}

TEST(TransferCodec, WParamCarriesProcessIdAndDescriptorLength) {
    struct Case {
        const char* processId;
        std::size_t descriptorLength;
        std::uint32_t wParam;
        std::uint32_t decodedId;
    };
    const Case cases[] = {
        {"1234", 18, 4123418, 1234},
        {"1", 5, 115, 1},
        {"0", 5, 105, 0},
        {"999999", 32, 699999932, 999999},
        {"1234567", 9, 712345679, 1234567},
        {"1234", kMaxDescriptorLength, 4123464, 1234},
        {"0042", 18, 4004218, 42},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encodeTransferWParam(c.processId, c.descriptorLength), c.wParam) << c.processId;
        const auto header = decodeTransferWParam(static_cast<std::int32_t>(c.wParam));
        ASSERT_TRUE(header) << c.wParam;
        EXPECT_EQ(*header, (TransferHeader{c.decodedId, static_cast<std::uint32_t>(c.descriptorLength)}));
    }
}

TEST(TransferCodec, WParamThatWouldNotFitOrMakesNoSenseIsRefused) {
    struct Case {
        const char* processId;
        std::size_t descriptorLength;
    };
    const Case cases[] = {
        {"", 18},
        {"12a4", 18},
        {"-123", 18},
        {" 123", 18},
        {"1234567", 10},    // ten digits starting with 7
        {"12345678", 5},    // ten digits starting with 8
        {"123456789", 18},  // too many digits
        {"1234567890", 1},  // a digit count cannot be written in one digit
        {"1234", 0},
        {"1234", kMaxDescriptorLength + 1},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(encodeTransferWParam(c.processId, c.descriptorLength))
            << c.processId << " / " << c.descriptorLength;
    }
}

TEST(TransferCodec, DecodeWParamRefusesWhatNoSenderBuilds) {
    const std::int32_t cases[] = {
        0,
        -4123418,
        INT32_MIN,
        4,           // a digit count and nothing else
        41234,       // no descriptor length
        412340,      // descriptor length 0
        4123465,     // descriptor length over the cap
        91234567,    // fewer digits than the count names
        2147483647,  // pid 14, descriptor length 7483647
    };
    for (const std::int32_t wParam : cases) EXPECT_FALSE(decodeTransferWParam(wParam)) << wParam;
}

}  // namespace
