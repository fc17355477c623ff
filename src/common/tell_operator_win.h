// How a failure of something the operator asked for reaches the operator:
// always a run-log row of kind "失败" (the failure, then what it concerned,
// such as the file), and, unless the failure is one the panel passes over
// silently, a task-modal box captioned "提醒" with the failure's text.
#pragma once

#include "common/event_sink.h"

#include <string_view>

namespace vuv::win {

// Logs the failure, then shows text in a box. The box pumps messages, so
// the same action may fail again while it is open: that failure is logged
// but gets no box of its own while one with the same text is open.
void tellOperator(EventSink& log, std::wstring_view text, std::wstring_view detail = {});
// Logs the failure without a box.
void logFailure(EventSink& log, std::wstring_view text, std::wstring_view detail = {});

}  // namespace vuv::win
