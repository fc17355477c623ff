// The receiving side of the message channel in one process: a window of the
// test is subclassed, and transfers are sent to it raw with SendMessageW so
// that every malformed shape can be tried. The receiver reads the test's own
// memory through OpenProcess/ReadProcessMemory exactly as it reads a browser's.
#include "link/channel_win.h"

#include "common/texts.h"
#include "link/transfer_codec.h"

#include "support/forged_transfer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace vuv::win {
namespace {

using testing_support::LowMemory;
using LowBlock = LowMemory;

// The window's own procedure: what the receiver passes on.
struct Passed {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Passed> passedOn;
std::string capturedDescriptor;  // copied while a well-formed send is in flight
bool captureDescriptor = false;

LRESULT CALLBACK originalProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_APP) {
        passedOn.push_back({message, wParam, lParam});
        if (captureDescriptor) {
            const std::optional<TransferHeader> header = decodeTransferWParam(static_cast<std::int32_t>(wParam));
            if (header) {
                const auto* bytes = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(lParam)));
                capturedDescriptor.assign(bytes, header->descriptorLength);
            }
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND makeWindow() {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &originalProcedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VuvChannelTest";
        return RegisterClassW(&wc);
    }();
    if (atom == 0) return nullptr;
    return CreateWindowExW(0, L"VuvChannelTest", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

// The one window per process whose procedure is replaced.
HWND receiver() {
    static const HWND hwnd = [] {
        HWND created = makeWindow();
        return created != nullptr && subclassWindow(created) ? created : nullptr;
    }();
    return hwnd;
}

// Distinct handlers: the registry refuses a handler twice. Each counts its
// calls and keeps the last name and payload it was handed.
template <int N>
int calls = 0;
template <int N>
std::string heardName;
template <int N>
std::string heardPayload;
template <int N>
struct Counter final : TransferHandler {
    void onTransfer(std::string_view name, const ReceivedTransfer& transfer) override {
        ++calls<N>;
        heardName<N> = std::string(name);
        heardPayload<N> = transfer.payload;
    }
};
template <int N>
TransferHandler* count() {
    static Counter<N> counter;
    return &counter;
}

WPARAM wParamFor(std::size_t descriptorLength) {
    return testing_support::wParamFor(GetCurrentProcessId(), descriptorLength);
}

bool passedUnchanged(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const Passed& p : passedOn) {
        if (p.message == message && p.wParam == wParam && p.lParam == lParam) return true;
    }
    return false;
}

TEST(Channel, WellFormedTransferIsReadAcknowledgedAndPassedOn) {
    ASSERT_NE(receiver(), nullptr);
    ASSERT_TRUE(registerReceiver("ChannelTest.Good", count<1>()));
    const UINT message = registeredMessage("ChannelTest.Good");
    LowBlock block;
    const std::string payload = std::string(text::kTagVuv) + std::string(text::kCommandFlash);

    for (const std::string& sent : {payload, std::string()}) {
        *block.at(0) = 0x01;
        block.put(256, sent);
        const std::string descriptor =
            buildDescriptor(block.address(0), static_cast<std::uint32_t>(sent.size()), block.address(256));
        block.put(64, descriptor);
        passedOn.clear();
        const int before = calls<1>;
        const WPARAM wParam = wParamFor(descriptor.size());
        const auto lParam = static_cast<LPARAM>(block.address(64));
        const SelfTransferScope self;
        SendMessageW(receiver(), message, wParam, lParam);
        EXPECT_EQ(calls<1>, before + 1);
        EXPECT_EQ(heardPayload<1>, sent);
        EXPECT_EQ(*block.at(0), 0x02);
        EXPECT_TRUE(passedUnchanged(message, wParam, lParam));
    }

    passedOn.clear();
    SendMessageW(receiver(), WM_APP + 7, 123, 456);
    EXPECT_TRUE(passedUnchanged(WM_APP + 7, 123, 456));
}

TEST(Channel, MalformedTransfersAreNeitherReadNorAcknowledged) {
    ASSERT_NE(receiver(), nullptr);
    ASSERT_TRUE(registerReceiver("ChannelTest.Malformed", count<2>()));
    const UINT message = registeredMessage("ChannelTest.Malformed");
    LowBlock block;
    block.put(256, "payload");
    const std::string reply = std::to_string(block.address(0));
    const std::string payloadAt = std::to_string(block.address(256));
    const std::string good = buildDescriptor(block.address(0), 7, block.address(256));
    const WPARAM goodWParam = wParamFor(good.size());
    const std::string pidText = std::to_string(GetCurrentProcessId());
    const auto wParamOf = [](const std::string& digits) { return static_cast<WPARAM>(std::stoull(digits)); };

    struct Case {
        const char* what;
        std::string descriptor;         // placed at offset 64
        std::optional<WPARAM> wParam;  // none: the right one for the descriptor
        LPARAM lParam;
    };
    const auto at64 = static_cast<LPARAM>(block.address(64));
    std::vector<Case> cases = {
        {"wParam 0", good, 0, at64},
        {"fewer digits than the count says", good, 9123, at64},
        {"negative as 32 bits", good, static_cast<WPARAM>(static_cast<std::uint32_t>(-static_cast<std::int32_t>(goodWParam))), at64},
        {"negative sign-extended", good, static_cast<WPARAM>(-static_cast<std::intptr_t>(goodWParam)), at64},
        {"descriptor length 0", good, wParamOf(std::to_string(pidText.size()) + pidText + "0"), at64},
        {"descriptor length above the limit", good, wParamOf(std::to_string(pidText.size()) + pidText + "99"), at64},
        {"no dollar", reply + "7&" + payloadAt, std::nullopt, at64},
        {"no ampersand", reply + "$7" + payloadAt, std::nullopt, at64},
        {"negative length", reply + "$-7&" + payloadAt, std::nullopt, at64},
        {"length above 64 MiB", reply + "$67108865&" + payloadAt, std::nullopt, at64},
        {"not numbers", "abc$def&ghi", std::nullopt, at64},
        {"descriptor at an unmapped address", good, goodWParam, static_cast<LPARAM>(LowMemory::hole())},
        {"lParam null", good, goodWParam, 0},
        {"lParam all ones", good, goodWParam, static_cast<LPARAM>(-1)},
    };
    if constexpr (sizeof(WPARAM) > 4) {
        const std::uint64_t above = static_cast<std::uint64_t>(goodWParam) + (std::uint64_t{1} << 32);
        cases.push_back({"wParam above 32 bits", good, static_cast<WPARAM>(above), at64});
    }

    for (const Case& c : cases) {
        const WPARAM wParam = c.wParam ? *c.wParam : wParamFor(c.descriptor.size());
        *block.at(0) = 0x01;
        std::memset(block.at(64), 0, 128);
        block.put(64, c.descriptor);
        passedOn.clear();
        const SelfTransferScope self;
        SendMessageW(receiver(), message, wParam, c.lParam);
        EXPECT_EQ(calls<2>, 0) << c.what;
        EXPECT_EQ(*block.at(0), 0x01) << c.what;
        EXPECT_TRUE(passedUnchanged(message, wParam, c.lParam)) << c.what;
    }
}

TEST(Channel, UnreadablePayloadIsZerosOfTheDeclaredLength) {
    ASSERT_NE(receiver(), nullptr);
    ASSERT_TRUE(registerReceiver("ChannelTest.Zeros", count<3>()));
    LowBlock block;
    *block.at(0) = 0x01;
    const std::string descriptor = buildDescriptor(block.address(0), 16, LowMemory::hole());
    block.put(64, descriptor);
    const SelfTransferScope self;
    SendMessageW(receiver(), registeredMessage("ChannelTest.Zeros"), wParamFor(descriptor.size()),
                 static_cast<LPARAM>(block.address(64)));
    EXPECT_EQ(calls<3>, 1);
    EXPECT_EQ(heardPayload<3>, std::string(16, '\0'));
    EXPECT_EQ(*block.at(0), 0x02);
}

TEST(Channel, RegistrationRefusalsLeaveTheRegistryAsItWas) {
    ASSERT_NE(receiver(), nullptr);
    EXPECT_FALSE(registerReceiver("", count<10>()));
    ASSERT_TRUE(registerReceiver("ChannelTest.ABC", count<11>()));
    EXPECT_FALSE(registerReceiver("ChannelTest.ABC", count<12>()));    // same name
    EXPECT_FALSE(registerReceiver("ChannelTest.abc", count<12>()));    // same message number
    EXPECT_FALSE(registerReceiver("ChannelTest.Other", count<11>()));  // same callback
    EXPECT_EQ(registeredMessage("ChannelTest.ABC"), registeredMessage("ChannelTest.abc"));
    EXPECT_TRUE(registerReceiver("ChannelTest.Other", count<12>()));

    // Sent under the lower-case spelling, it lands in the entry that was kept.
    EXPECT_TRUE(sendTransfer(receiver(), "ChannelTest.abc", "x"));
    EXPECT_EQ(calls<11>, 1);
    EXPECT_EQ(calls<12>, 0);
    EXPECT_EQ(heardPayload<11>, "x");
    EXPECT_EQ(heardName<11>, "ChannelTest.ABC");
}

TEST(Channel, SendTransferRoundTripAndItsRefusals) {
    ASSERT_NE(receiver(), nullptr);
    ASSERT_TRUE(registerReceiver("ChannelTest.Send", count<4>()));

    // GBK with trail bytes 0x5C and 0x7C, and "■".
    const std::string gbk = "\x95\x5C\xC5\x7C\xA1\xF6" + std::string(text::kKeywordRefresh);
    passedOn.clear();
    captureDescriptor = true;
    EXPECT_TRUE(sendTransfer(receiver(), "ChannelTest.Send", gbk));
    captureDescriptor = false;
    EXPECT_EQ(calls<4>, 1);
    EXPECT_EQ(heardPayload<4>, gbk);

    // wParam: digit count of the pid, the pid, the descriptor length.
    ASSERT_EQ(passedOn.size(), 1u);
    const std::string digits = std::to_string(passedOn[0].wParam);
    const std::string pid = std::to_string(GetCurrentProcessId());
    EXPECT_EQ(digits, std::to_string(pid.size()) + pid + std::to_string(capturedDescriptor.size()));
    const std::optional<Descriptor> descriptor = parseDescriptor(capturedDescriptor);
    ASSERT_TRUE(descriptor) << capturedDescriptor;
    EXPECT_EQ(descriptor->payloadLength, gbk.size());

    const std::string big(1024 * 1024, '\xA1');
    EXPECT_TRUE(sendTransfer(receiver(), "ChannelTest.Send", big));
    EXPECT_EQ(heardPayload<4>, big);

    EXPECT_FALSE(sendTransfer(nullptr, "ChannelTest.Send", "x"));
    HWND gone = makeWindow();
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(sendTransfer(gone, "ChannelTest.Send", "x"));
    HWND deaf = makeWindow();  // nobody there reads transfers
    EXPECT_FALSE(sendTransfer(deaf, "ChannelTest.Send", "x"));
    DestroyWindow(deaf);
    EXPECT_FALSE(sendTransfer(receiver(), "ChannelTest.Send", std::string(kMaxPayloadLength + 1, 'x')));
    EXPECT_EQ(calls<4>, 2);
}

TEST(Channel, OnlyOneWindowIsSubclassed) {
    ASSERT_NE(receiver(), nullptr);
    HWND second = makeWindow();
    EXPECT_FALSE(subclassWindow(second));
    EXPECT_FALSE(subclassWindow(nullptr));
    DestroyWindow(second);
}

}  // namespace
}  // namespace vuv::win
