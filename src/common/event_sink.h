// Where the parts of the panel tell what they did, for the run log: a
// notification or record received, a rule run, a bookmark handed out, a
// browser started, a command sent. Telling never shows anything and never
// waits.
#pragma once

#include <cstdint>
#include <string_view>

namespace vuv {

class EventSink {
public:
    virtual ~EventSink() = default;
    // kind is one of the event texts of common/texts.h ("通知", "命令", ...);
    // processId 0 when the event concerns no browser.
    virtual void record(std::uint32_t processId, std::string_view kind, std::string_view content) = 0;
};

}  // namespace vuv
