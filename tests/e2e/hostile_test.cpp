// The panel against hostile senders. A transfer tells the panel where to read
// in another process and where to write its acknowledgement, so a sender that
// lies (random parameters, descriptors that are garbage or point at nothing,
// lengths up to the cap and beyond, processes that die in the middle of a
// send) must cost the panel nothing: it stays up and answering, good
// notifications in between still have their effect, and its memory does not
// grow.
#include "e2e/instance_fixture.h"
#include "e2e/memory_use.h"
#include "support/forged_transfer.h"

#include "link/channel_win.h"
#include "link/transfer_codec.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace vuv::e2e {
namespace {

using Clock = std::chrono::steady_clock;

using testing_support::wParamFor;

// Memory of a process at a 32-bit address, where a descriptor can point:
// committed, or only reserved (an address range that reads and writes fail on).
class LowMemory : public win::LowBlock {
public:
    LowMemory(HANDLE process, std::size_t size, bool commit)
        : LowBlock(process, size, commit ? MEM_RESERVE | MEM_COMMIT : MEM_RESERVE,
                   commit ? PAGE_READWRITE : PAGE_NOACCESS) {}
    [[nodiscard]] char* at(std::size_t offset) const noexcept { return data() + offset; }
    [[nodiscard]] static std::uint32_t hole() { return testing_support::LowMemory::hole(); }
};

std::string descriptorText(std::uint32_t reply, std::uint64_t length, std::uint32_t payload) {
    return std::to_string(static_cast<std::int32_t>(reply)) + "$" + std::to_string(length) + "&" +
           std::to_string(static_cast<std::int32_t>(payload));
}

// Layout of this process's scratch memory: a reply cell, a descriptor, and
// random payload bytes.
constexpr std::size_t kCell = 0;
constexpr std::size_t kDescriptor = 64;
constexpr std::size_t kPayload = 4096;
constexpr std::size_t kScratchSize = 4u << 20;

class HostileSenders : public InstanceFixture {
protected:
    void SetUp() override {
        InstanceFixture::SetUp();
        ASSERT_TRUE(scratch.ok() && reserved.ok());
        std::mt19937 fill(7);
        for (std::size_t i = kPayload; i < kScratchSize; ++i) *scratch.at(i) = static_cast<char>(fill());
    }

    // Sends one transfer from this process's memory; whether the panel answered in time.
    bool send(WPARAM wParam, std::uint32_t lParam) {
        return sendWithTimeout(panel->mainWindow(), notifyMessage, wParam, static_cast<LPARAM>(lParam), Ms{10000})
            .has_value();
    }
    // Puts a descriptor into the scratch memory with a fresh reply cell.
    void place(const std::string& descriptor) {
        *scratch.at(kCell) = 0x01;
        std::memset(scratch.at(kDescriptor), 0, kPayload - kDescriptor);
        std::memcpy(scratch.at(kDescriptor), descriptor.data(), descriptor.size());
    }
    [[nodiscard]] bool acknowledged() const { return *static_cast<volatile char*>(scratch.at(kCell)) == 0x02; }

    const UINT notifyMessage = win::registeredMessage(text::kMsgNotify);
    LowMemory scratch{GetCurrentProcess(), kScratchSize, true};
    // Reserved, never committed (Wine reads it as zeros; writes go nowhere).
    LowMemory reserved{GetCurrentProcess(), 1u << 20, false};
};

// A sender that streams big untagged notifications until it is killed.
class DoomedSender {
public:
    explicit DoomedSender(StandinProcess& standin) : standin_(standin) {
        stream_ = std::thread([this] {
            static_cast<void>(standin_.notifyMany(std::string(512u << 10, 'j'), 100000, Ms{120000}));
        });
    }
    ~DoomedSender() { kill(); }
    void kill() {
        if (!stream_.joinable()) return;
        Process::open(standin_.pid()).kill();
        stream_.join();
    }

private:
    StandinProcess& standin_;
    std::thread stream_;
};

TEST_F(HostileSenders, TenThousandLyingTransfersCostThePanelNothing) {
    StandinProcess& good = browser();
    startPanel();
    const std::optional<std::uint64_t> memoryAtStart = privateBytes(panel->pid());
    ASSERT_TRUE(memoryAtStart);

    const DWORD self = GetCurrentProcessId();
    const std::uint32_t hole = LowMemory::hole();
    std::mt19937 random(20240607);
    auto below = [&](std::uint64_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::uint64_t>(0, n - 1)(random); };
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; };
    // Payload lengths: mostly small, some up to a megabyte, a few beyond the
    // cap. (Under Wine a read costs about 25 ms per megabyte, so lengths up
    // to the cap itself come at fixed points below, not at random.)
    auto length = [&]() -> std::uint64_t {
        const double r = std::uniform_real_distribution<double>(0, 1)(random);
        if (r < 0.75) return below(257);
        if (r < 0.95) return below(64u << 10);
        if (r < 0.98) return below(1u << 20);
        return kMaxPayloadLength + 1 + below(0xFFFFFFFFull - kMaxPayloadLength);
    };
    auto someAddress = [&]() -> std::uint32_t {
        switch (below(6)) {
            case 0: return reserved.address(static_cast<std::size_t>(below(1u << 20)));
            case 1: return hole + static_cast<std::uint32_t>(below(1u << 20));
            case 2: return chance(0.5) ? 0u : 0xFFFFFFFFu;
            default: return static_cast<std::uint32_t>(random());
        }
    };
    // A descriptor the panel's parser may or may not accept; kept only when
    // an accepted one would acknowledge into the reply cell or into reserved
    // memory, and read at most a megabyte.
    auto mutatedDescriptor = [&]() {
        static const char kAlphabet[] = "0123456789-$& x\0";
        for (;;) {
            std::string d = descriptorText(scratch.address(kCell), length(), someAddress());
            for (int edits = 1 + static_cast<int>(below(3)); edits > 0; --edits) {
                const std::size_t at = static_cast<std::size_t>(below(d.size() + 1));
                const char c = kAlphabet[below(sizeof kAlphabet - 1)];
                switch (below(3)) {
                    case 0: d.insert(at, 1, c); break;
                    case 1: if (at < d.size()) d.erase(at, 1); break;
                    default: if (at < d.size()) d[at] = c; break;
                }
            }
            const std::optional<Descriptor> parsed = parseDescriptor(d);
            if (d.size() <= 60 && (!parsed || ((scratch.address(kCell) == parsed->replyAddress ||
                                                reserved.holds(parsed->replyAddress)) &&
                                               parsed->payloadLength <= (1u << 20)))) {
                return d;
            }
        }
    };

    std::vector<std::unique_ptr<DoomedSender>> doomed;
    std::vector<DWORD> deadPids;
    int transfers = 0, unanswered = 0, wronglyAcknowledged = 0, missedAcknowledgements = 0;
    int goodSent = 0, goodRefused = 0, refreshesSent = 0, pingFailures = 0;
    double worstPingMs = 0;
    std::uint64_t peakMemory = *memoryAtStart;  // sampled with the pings
    std::string expectedRecord;
    const auto start = Clock::now();

    for (int i = 0; i < 10000; ++i) {
        // Streams from senders that die: started now, killed 300 transfers later.
        if (i % 2500 == 1000) doomed.push_back(std::make_unique<DoomedSender>(browser()));
        if (i % 2500 == 1300) {
            doomed.back()->kill();
            deadPids.push_back(browsers.back()->pid());
        }
        // Good notifications in between, from a well-behaved browser.
        if (i % 20 == 0) {
            const std::string link = "good-" + std::to_string(goodSent++);
            expectedRecord += link + "\r\n";
            if (good.notify(join({text::kTagLinkCode, "x", text::kSeparator, link})) != std::optional<bool>(true)) {
                ++goodRefused;
            }
        }
        if (i % 100 == 50) {
            ++refreshesSent;
            const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(good.commandWindow()) & 0xFFFFFFFFu);
            if (good.notify(join({text::kTagVuv, handle, text::kSeparator, text::kKeywordRefresh})) !=
                std::optional<bool>(true)) {
                ++goodRefused;
            }
        }
        if (i % 250 == 0) {
            const auto pingStart = Clock::now();
            // A stall, not a slow machine: a bound no busy machine reaches.
            if (!sendWithTimeout(panel->mainWindow(), WM_NULL, 0, 0, Ms{20000})) ++pingFailures;
            worstPingMs = std::max(worstPingMs, std::chrono::duration<double, std::milli>(Clock::now() - pingStart).count());
            peakMemory = std::max(peakMemory, privateBytes(panel->pid()).value_or(0));
        }

        // Three payloads of exactly the cap: where nothing is, in reserved
        // memory, and starting in the scratch memory and running past it.
        if (i % 3000 == 1500) {
            const std::uint32_t at = i < 3000 ? hole : i < 6000 ? reserved.address() : scratch.address(kPayload);
            const std::string d = descriptorText(scratch.address(kCell), kMaxPayloadLength, at);
            place(d);
            ++transfers;
            unanswered += !send(wParamFor(self, d.size()), scratch.address(kDescriptor));
            if (!acknowledged()) ++missedAcknowledgements;
        }

        ++transfers;
        const int kind = static_cast<int>(below(100));
        if (kind < 15) {
            // Anything at all, 64-bit wParam values included.
            const WPARAM w = chance(0.5) ? static_cast<WPARAM>(random()) : static_cast<WPARAM>((std::uint64_t{random()} << 32) | random());
            unanswered += !send(w, static_cast<std::uint32_t>(random()));
        } else if (kind < 35) {
            // Garbage or nearly well-formed descriptors, any declared length.
            const std::string d = mutatedDescriptor();
            place(d);
            const std::size_t declared = chance(0.8) ? d.size() : 1 + static_cast<std::size_t>(below(80));
            // What the panel reads: the declared length, zeros past the text.
            const std::optional<Descriptor> parsed =
                declared <= kMaxDescriptorLength ? parseDescriptor(d.substr(0, declared)) : std::nullopt;
            unanswered += !send(wParamFor(self, declared), scratch.address(kDescriptor));
            if (!parsed && acknowledged()) ++wronglyAcknowledged;
            if (parsed && parsed->replyAddress == scratch.address(kCell) && !acknowledged()) ++missedAcknowledgements;
        } else if (kind < 60) {
            // Well formed, the payload anywhere: mostly nothing is mapped there.
            const std::uint64_t n = length();
            const std::string d = descriptorText(scratch.address(kCell), n, someAddress());
            place(d);
            unanswered += !send(wParamFor(self, d.size()), scratch.address(kDescriptor));
            const bool wellFormed = n <= kMaxPayloadLength;
            if (wellFormed && !acknowledged()) ++missedAcknowledgements;
            if (!wellFormed && acknowledged()) ++wronglyAcknowledged;
        } else if (kind < 75) {
            // Well formed, the payload random bytes here, now and then dressed as a notification.
            const std::size_t offset = kPayload + static_cast<std::size_t>(below(kScratchSize - kPayload - 64));
            const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length()), kScratchSize - offset);
            if (chance(0.1)) {
                const std::string dressed = join({text::kTagVuv, std::to_string(random()), text::kSeparator});
                std::memcpy(scratch.at(offset), dressed.data(), std::min(dressed.size(), n));
            }
            const std::string d = descriptorText(scratch.address(kCell), n, scratch.address(offset));
            place(d);
            unanswered += !send(wParamFor(self, d.size()), scratch.address(kDescriptor));
            if (!acknowledged()) ++missedAcknowledgements;
        } else if (kind < 85) {
            // The descriptor itself at an address with nothing behind it.
            const std::uint32_t at = chance(0.5) ? hole + static_cast<std::uint32_t>(below(1u << 20)) : someAddress();
            unanswered += !send(wParamFor(self, 1 + static_cast<std::size_t>(below(40))), at);
        } else if (kind < 90) {
            // The reply cell in memory that is only reserved.
            const std::string d = descriptorText(reserved.address(static_cast<std::size_t>(below(1u << 20))), below(300),
                                                 scratch.address(kPayload));
            place(d);
            unanswered += !send(wParamFor(self, d.size()), scratch.address(kDescriptor));
        } else {
            // Naming another process: the good browser, a dead one, or nobody.
            DWORD pid = good.pid();
            if (!deadPids.empty() && chance(0.4)) pid = deadPids[below(deadPids.size())];
            if (chance(0.2)) pid = static_cast<DWORD>(below(100000));
            unanswered += !send(wParamFor(pid, 1 + static_cast<std::size_t>(below(40))), static_cast<std::uint32_t>(random()));
        }
    }
    doomed.clear();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    // The good notifications had their effect: every link in the record once,
    // in order, and every "#刷新" answered with toolbar action 6.
    const HWND record = panel->control(id::kLinkRecord);
    EXPECT_TRUE(waitUntil([&] { return windowTextGbk(record) == expectedRecord; }, Ms{20000}))
        << "the record holds " << windowTextGbk(record).size() << " bytes of " << expectedRecord.size();
    const std::string refresh = toolbarPayload(text::kToolbarRefresh);
    EXPECT_TRUE(waitUntil([&] {
        const std::vector<std::string> commands = received(good, text::kMsgAdjust);
        return std::count(commands.begin(), commands.end(), refresh) == refreshesSent;
    })) << dump(good);

    const std::optional<std::uint64_t> memoryAtEnd = privateBytes(panel->pid());
    ASSERT_TRUE(memoryAtEnd);
    const double growthMb = megabytes(*memoryAtEnd) - megabytes(*memoryAtStart);
    std::printf("hostile: %d transfers and %d good notifications in %.1f s; private bytes %.1f MB -> %.1f MB "
                "(%+.1f MB, highest sample %.1f MB); worst ping %.0f ms\n",
                transfers, goodSent + refreshesSent, seconds, megabytes(*memoryAtStart), megabytes(*memoryAtEnd),
                growthMb, megabytes(peakMemory), worstPingMs);

    EXPECT_TRUE(panel->running());
    EXPECT_FALSE(panel->crashed());
    EXPECT_EQ(unanswered, 0);
    EXPECT_EQ(pingFailures, 0);
    EXPECT_EQ(goodRefused, 0);
    EXPECT_EQ(wronglyAcknowledged, 0) << "malformed transfers were acknowledged";
    EXPECT_EQ(missedAcknowledgements, 0) << "well-formed transfers were not acknowledged";
    EXPECT_LT(growthMb, 10.0);
    // Refused transfers are reported to nobody, but each leaves a trace line.
    const std::vector<std::string> traces = panel->traceLines();
    EXPECT_GT(std::count_if(traces.begin(), traces.end(),
                            [](const std::string& line) { return line.find("transfer refused") != std::string::npos; }),
              0)
        << traces.size() << " trace lines";
}


TEST_F(HostileSenders, ATransferNamingThePanelItselfWritesNothingIntoThePanel) {
    startPanel();
    // [reply cell][descriptor][payload] in the panel's own memory, and a
    // transfer that claims the panel sent it: acknowledging would mean the
    // panel writes where any other process told it to, into itself.
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, panel->pid());
    ASSERT_NE(process, nullptr);
    {
        const LowMemory inPanel(process, kPayload + 4096, true);
        ASSERT_TRUE(inPanel.ok());
        const std::string payload = join({text::kTagLinkCode, "x", text::kSeparator, "self"});
        const std::string d = descriptorText(inPanel.address(0), payload.size(), inPanel.address(kPayload));
        const char cell = 0x01;
        ASSERT_TRUE(WriteProcessMemory(process, inPanel.at(0), &cell, 1, nullptr));
        ASSERT_TRUE(WriteProcessMemory(process, inPanel.at(kDescriptor), d.data(), d.size(), nullptr));
        ASSERT_TRUE(WriteProcessMemory(process, inPanel.at(kPayload), payload.data(), payload.size(), nullptr));

        const WPARAM claimsPanel = wParamFor(panel->pid(), d.size());
        EXPECT_TRUE(send(claimsPanel, inPanel.address(kDescriptor)));
        // Posted rather than sent, and then a good record posted after it from
        // this process: once that one shows, the lie was handled before it.
        ASSERT_TRUE(PostMessageW(panel->mainWindow(), notifyMessage, claimsPanel, static_cast<LPARAM>(inPanel.address(kDescriptor))));
        const std::string later = join({text::kTagLinkCode, "x", text::kSeparator, "later"});
        std::memcpy(scratch.at(kPayload), later.data(), later.size());
        const std::string good = descriptorText(scratch.address(kCell), later.size(), scratch.address(kPayload));
        place(good);
        ASSERT_TRUE(PostMessageW(panel->mainWindow(), notifyMessage, wParamFor(GetCurrentProcessId(), good.size()),
                                 static_cast<LPARAM>(scratch.address(kDescriptor))));
        EXPECT_TRUE(waitUntil([&] { return windowTextGbk(panel->control(id::kLinkRecord)) == "later\r\n"; }))
            << "the record holds: " << windowTextGbk(panel->control(id::kLinkRecord));
        char after = 0;
        ASSERT_TRUE(ReadProcessMemory(process, inPanel.at(0), &after, 1, nullptr));
        EXPECT_EQ(after, 0x01) << "the panel acknowledged into its own memory";
    }
    CloseHandle(process);
    EXPECT_TRUE(sendWithTimeout(panel->mainWindow(), WM_NULL, 0, 0));
}

}  // namespace
}  // namespace vuv::e2e
