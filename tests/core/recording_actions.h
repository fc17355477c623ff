// A stand-in for the panel's actions that writes down every call, so that
// tests compare what a notification or a rule made the panel do.
#pragma once

#include "common/texts.h"
#include "link/notification.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vuv::doubles {

class RecordingActions final : public PanelActions {
public:
    std::vector<std::string> calls;

    void send(std::uint32_t commandWindow, const Command& command) override {
        const CommandWire wire = wireOf(command);
        const std::string_view messageName = wire.messageName;
        const std::string_view payload = wire.payload;
        const std::string_view name = messageName == text::kMsgJump ? "jump" : messageName == text::kMsgAdjust ? "adjust" : "?";
        calls.push_back("send " + std::to_string(commandWindow) + " " + std::string(name) + " " + std::string(payload));
    }
    void appendRecord(Record record, std::string_view text) override {
        calls.push_back(std::string(record == Record::Link ? "link " : "page ") + std::string(text));
    }
    void handOutBookmark(std::uint32_t commandWindow) override {
        calls.push_back("bookmark " + std::to_string(commandWindow));
    }
    void applyRules(std::uint32_t commandWindow, std::string_view content) override {
        calls.push_back("rules " + std::to_string(commandWindow) + " " + std::string(content));
    }
    void scan() override { calls.push_back("scan"); }
    void closeBrowserOf(std::uint32_t commandWindow) override {
        calls.push_back("close " + std::to_string(commandWindow));
    }
};

}  // namespace vuv::doubles
