// A run log for in-process tests: every row a part records, in order.
#pragma once

#include "common/event_sink.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vuv::win {

struct RecordedEvent {
    std::uint32_t pid = 0;
    std::string kind;
    std::string content;
};

class EventRecorder final : public EventSink {
public:
    void record(std::uint32_t pid, std::string_view kind, std::string_view content) override {
        rows.push_back(RecordedEvent{pid, std::string(kind), std::string(content)});
    }
    std::vector<RecordedEvent> rows;
};

}  // namespace vuv::win
