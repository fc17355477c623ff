// The texts of a transfer: the descriptor that tells the receiver where to
// read the payload and where to acknowledge, and the wParam digit string that
// carries the sender's process id and the descriptor's length.
//
// Descriptor: "<reply address>$<payload length>&<payload address>", each
// address a 32-bit value written as a signed decimal (addresses at or above
// 2 GB come out negative), the length a plain decimal.
//
// wParam: the decimal digits of: the digit count of the sender's process id
// (one digit), the process id, the descriptor's byte length.
//
// Everything here is pure and total: parsers return nullopt for any input
// they do not accept and never read outside the text they are given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vuv {

// Largest payload a receiver agrees to read from another process.
inline constexpr std::uint32_t kMaxPayloadLength = 64u * 1024u * 1024u;
// Largest descriptor a receiver agrees to read. The longest well-formed one,
// "-2147483648$67108864&-2147483648", has 32 bytes.
inline constexpr std::uint32_t kMaxDescriptorLength = 64;

struct Descriptor {
    std::uint32_t replyAddress = 0;
    std::uint32_t payloadLength = 0;
    std::uint32_t payloadAddress = 0;

    friend bool operator==(const Descriptor& a, const Descriptor& b) noexcept {
        return a.replyAddress == b.replyAddress && a.payloadLength == b.payloadLength &&
               a.payloadAddress == b.payloadAddress;
    }
};

// Builds the descriptor text (ASCII, no terminating NUL).
[[nodiscard]] std::string buildDescriptor(std::uint32_t replyAddress, std::uint32_t payloadLength,
                                          std::uint32_t payloadAddress);

// Reads a descriptor. The text is first cut at its first NUL byte, so a sender
// that counted a terminator is still understood. Then it must be exactly
// address "$" length "&" address: an address is an optional "-" and at least
// one digit, in the range of a signed 32-bit value when negative and of an
// unsigned one otherwise; the length is digits only, at most
// kMaxPayloadLength. Leading zeros are accepted.
[[nodiscard]] std::optional<Descriptor> parseDescriptor(std::string_view text) noexcept;

// The wParam value for a sender whose process id is written processIdText.
// nullopt, meaning "send nothing", when the text is empty, holds a non-digit
// or more than 9 digits, when descriptorLength is 0 or above
// kMaxDescriptorLength, or when the digit string exceeds 2147483647.
// Example: "1234" and 18 give 4123418.
[[nodiscard]] std::optional<std::uint32_t> encodeTransferWParam(std::string_view processIdText,
                                                                std::size_t descriptorLength);

struct TransferHeader {
    std::uint32_t processId = 0;
    std::uint32_t descriptorLength = 0;

    friend bool operator==(const TransferHeader& a, const TransferHeader& b) noexcept {
        return a.processId == b.processId && a.descriptorLength == b.descriptorLength;
    }
};

// Reads wParam as a signed decimal digit string. nullopt when it is negative
// or 0, when fewer digits follow the count than the count names plus one for
// the length, or when the descriptor length is 0 or above kMaxDescriptorLength.
[[nodiscard]] std::optional<TransferHeader> decodeTransferWParam(std::int32_t wParam) noexcept;

}  // namespace vuv
