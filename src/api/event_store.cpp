#include "api/event_store.h"

#include "common/texts.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <utility>

namespace vuv::api {

namespace {

struct KindWord {
    std::string_view logKind;
    std::string_view word;
};

constexpr std::array<KindWord, 14> kKinds{{
    {text::kEventNotification, "notice"},
    {text::kEventLinkCode, "link"},
    {text::kEventPageSource, "page"},
    {text::kEventRule, "rule"},
    {text::kEventBookmark, "bookmark"},
    {text::kEventNoBookmark, "exhausted"},
    {text::kEventStart, "launch"},
    {text::kEventStartFailed, "launch_failed"},
    {text::kEventCommand, "command"},
    {text::kEventState, "state"},
    {text::kEventRestart, "restart"},
    {text::kEventRestartRefused, "restart_refused"},
    {text::kEventWorkspace, "workspace"},
    {text::kEventFailure, "failure"},
}};

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::int64_t secondsOf(const std::tm& t) noexcept {
    return daysFromCivil(t.tm_year + 1900, static_cast<unsigned>(t.tm_mon + 1), static_cast<unsigned>(t.tm_mday)) *
               86400 +
           t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec;
}

bool split(std::int64_t unixSeconds, std::tm& local, std::tm& utc) noexcept {
    const auto t = static_cast<std::time_t>(unixSeconds);
#ifdef _WIN32
    return localtime_s(&local, &t) == 0 && gmtime_s(&utc, &t) == 0;
#else
    return localtime_r(&t, &local) != nullptr && gmtime_r(&t, &utc) != nullptr;
#endif
}

}  // namespace

std::string_view eventKindOf(std::string_view logKind) noexcept {
    for (const KindWord& k : kKinds) {
        if (k.logKind == logKind) return k.word;
    }
    return "other";
}

std::uint64_t EventStore::append(std::string time, std::uint32_t pid, std::string_view logKind,
                                 std::string_view content) {
    std::function<void()> listener;
    std::uint64_t id = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        id = ++lastId_;
        if (rows_.size() == capacity_) rows_.pop_front();
        rows_.push_back(StoredEvent{id, std::move(time), pid, eventKindOf(logKind), std::string(content)});
        listener = listener_;
    }
    if (listener) listener();
    return id;
}

std::uint64_t EventStore::lastId() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lastId_;
}

EventStore::Page EventStore::after(std::uint64_t after, std::size_t limit) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    Page page;
    page.lastId = lastId_;
    if (after > lastId_) after = 0;
    const std::uint64_t oldest = rows_.empty() ? lastId_ + 1 : rows_.front().id;
    if (after + 1 < oldest) {
        page.gapFrom = after + 1;
        page.gapTo = oldest - 1;
        after = oldest - 1;
    }
    if (rows_.empty()) return page;
    std::size_t i = static_cast<std::size_t>(after + 1 - oldest);
    for (; i < rows_.size() && page.rows.size() < limit; ++i) page.rows.push_back(rows_[i]);
    return page;
}

void EventStore::setListener(std::function<void()> listener) {
    const std::lock_guard<std::mutex> lock(mutex_);
    listener_ = std::move(listener);
}

std::string timeText(int year, int month, int day, int hour, int minute, int second, int offsetSeconds) {
    const char sign = offsetSeconds < 0 ? '-' : '+';
    const int off = (offsetSeconds < 0 ? -offsetSeconds : offsetSeconds) / 60;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", year, month, day, hour, minute,
                  second, sign, off / 60, off % 60);
    return buffer;
}

std::string localTimeTextAt(std::int64_t unixSeconds, std::int32_t secondsOfDay) {
    std::tm local{};
    std::tm utc{};
    if (!split(unixSeconds, local, utc)) return {};
    const auto offset = static_cast<int>(secondsOf(local) - secondsOf(utc));
    if (secondsOfDay >= 0 && secondsOfDay < 86400) {
        local.tm_hour = secondsOfDay / 3600;
        local.tm_min = secondsOfDay / 60 % 60;
        local.tm_sec = secondsOfDay % 60;
    }
    return timeText(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                    offset);
}

std::string localTimeText(std::int64_t unixSeconds) { return localTimeTextAt(unixSeconds, -1); }

LocalDay::LocalDay(std::int64_t unixSeconds) : moment_(unixSeconds) {
    std::tm local{};
    std::tm utc{};
    if (!split(unixSeconds, local, utc)) return;
    offset_ = static_cast<int>(secondsOf(local) - secondsOf(utc));
    year_ = local.tm_year + 1900;
    month_ = local.tm_mon + 1;
    day_ = local.tm_mday;
    hour_ = local.tm_hour;
    minute_ = local.tm_min;
    second_ = local.tm_sec;
}

std::string LocalDay::at(std::int32_t secondsOfDay) const {
    if (secondsOfDay < 0 || secondsOfDay >= 86400) {
        return timeText(year_, month_, day_, hour_, minute_, second_, offset_);
    }
    return timeText(year_, month_, day_, secondsOfDay / 3600, secondsOfDay / 60 % 60, secondsOfDay % 60, offset_);
}

}  // namespace vuv::api
