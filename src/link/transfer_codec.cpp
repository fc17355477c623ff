#include "link/transfer_codec.h"

namespace vuv {
namespace {

constexpr std::uint64_t kTwoTo32 = std::uint64_t{1} << 32;
constexpr std::uint64_t kTwoTo31 = std::uint64_t{1} << 31;
constexpr std::uint32_t kMaxWParam = 2147483647u;

[[nodiscard]] constexpr bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// The 32-bit value as the signed decimal a 32-bit sender prints for it.
[[nodiscard]] std::string signedDecimal(std::uint32_t value) {
    if (value < kTwoTo31) return std::to_string(value);
    return "-" + std::to_string(kTwoTo32 - value);
}

// Value of a non-empty all-digit text, or nullopt when it has no digits, a
// non-digit, or exceeds limit. Leading zeros are fine.
[[nodiscard]] std::optional<std::uint64_t> parseDigits(std::string_view digits, std::uint64_t limit) noexcept {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        if (!isDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > limit) return std::nullopt;
    }
    return value;
}

// An address field: digits up to 4294967295, or "-" and digits down to
// -2147483648, mapped onto the same 32-bit value a sender started from.
[[nodiscard]] std::optional<std::uint32_t> parseAddress(std::string_view text) noexcept {
    if (!text.empty() && text.front() == '-') {
        const auto magnitude = parseDigits(text.substr(1), kTwoTo31);
        if (!magnitude) return std::nullopt;
        return static_cast<std::uint32_t>((kTwoTo32 - *magnitude) % kTwoTo32);
    }
    const auto value = parseDigits(text, kTwoTo32 - 1);
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

}  // namespace

std::string buildDescriptor(std::uint32_t replyAddress, std::uint32_t payloadLength, std::uint32_t payloadAddress) {
    return signedDecimal(replyAddress) + '$' + std::to_string(payloadLength) + '&' + signedDecimal(payloadAddress);
}

std::optional<Descriptor> parseDescriptor(std::string_view text) noexcept {
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
    const std::size_t dollar = text.find('$');
    if (dollar == std::string_view::npos) return std::nullopt;
    const std::size_t amp = text.find('&', dollar + 1);
    if (amp == std::string_view::npos) return std::nullopt;

    const auto reply = parseAddress(text.substr(0, dollar));
    const auto length = parseDigits(text.substr(dollar + 1, amp - dollar - 1), kMaxPayloadLength);
    const auto payload = parseAddress(text.substr(amp + 1));
    if (!reply || !length || !payload) return std::nullopt;
    return Descriptor{*reply, static_cast<std::uint32_t>(*length), *payload};
}

std::optional<std::uint32_t> encodeTransferWParam(std::string_view processIdText, std::size_t descriptorLength) {
    if (processIdText.empty() || processIdText.size() > 9) return std::nullopt;
    if (!parseDigits(processIdText, kTwoTo32)) return std::nullopt;
    if (descriptorLength == 0 || descriptorLength > kMaxDescriptorLength) return std::nullopt;

    std::string digits;
    digits.reserve(16);
    digits += static_cast<char>('0' + processIdText.size());
    digits += processIdText;
    digits += std::to_string(descriptorLength);
    const auto value = parseDigits(digits, kMaxWParam);
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<TransferHeader> decodeTransferWParam(std::int32_t wParam) noexcept {
    if (wParam <= 0) return std::nullopt;
    // At most 10 digits, rendered into a local buffer so nothing here allocates.
    char reversed[10] = {};
    std::size_t size = 0;
    for (auto rest = static_cast<std::uint32_t>(wParam); rest != 0; rest /= 10) {
        reversed[size++] = static_cast<char>('0' + rest % 10);
    }
    char digits[10] = {};
    for (std::size_t i = 0; i < size; ++i) digits[i] = reversed[size - 1 - i];
    const std::string_view text(digits, size);

    const auto count = static_cast<std::size_t>(text.front() - '0');
    if (text.size() < 1 + count + 1) return std::nullopt;
    const auto processId = parseDigits(text.substr(1, count), kTwoTo32 - 1);
    const auto length = parseDigits(text.substr(1 + count), kMaxDescriptorLength);
    if (!processId || !length || *length == 0) return std::nullopt;
    return TransferHeader{static_cast<std::uint32_t>(*processId), static_cast<std::uint32_t>(*length)};
}

}  // namespace vuv
