#include "common/routes_win.h"

#include "common/trace_win.h"

#include <string>

namespace vuv::win {

namespace {

template <typename Table>
bool traceClashes(const Table& table, const char* kind) {
    for (const Clash& clash : table.clashes()) {
        const std::string line = clash.describe(kind);
        // Owners' names are ASCII.
        trace(std::wstring(line.begin(), line.end()));
    }
    return table.clashes().empty();
}

}  // namespace

bool Routes::check() const {
    // Every kind is traced, not only the first with a clash.
    bool clean = traceClashes(commands, "command");
    clean = traceClashes(notifications, "notifying control") && clean;
    clean = traceClashes(timers, "timer") && clean;
    clean = traceClashes(messages, "message") && clean;
    return clean;
}

}  // namespace vuv::win
