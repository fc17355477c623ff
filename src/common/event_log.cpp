#include "common/event_log.h"

#include "common/gbk.h"

namespace vuv {

namespace {

// Appends a field with TAB, CR and LF made blanks, and a trailing lone lead
// byte too, so that the field cannot join its separator.
void appendField(std::string& out, std::string_view field) {
    const std::size_t start = out.size();
    std::size_t lastChar = 0;
    for (std::size_t i = 0; i < field.size(); i += gbk::charLength(field, i)) lastChar = i;
    out.append(field);
    for (std::size_t i = start; i < out.size(); ++i) {
        if (out[i] == '\t' || out[i] == '\r' || out[i] == '\n') out[i] = ' ';
    }
    if (!field.empty() && lastChar == field.size() - 1 && gbk::isLeadByte(static_cast<unsigned char>(field.back()))) {
        out.back() = ' ';
    }
}

void appendTwoDigits(std::string& out, std::int32_t value) {
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

std::string_view firstGbkChars(std::string_view text, std::size_t maxChars) noexcept {
    std::size_t end = 0;
    for (std::size_t n = 0; n < maxChars && end < text.size(); ++n) end += gbk::charLength(text, end);
    return text.substr(0, end);
}

std::string clockText(std::int32_t secondsSinceMidnight) {
    if (secondsSinceMidnight < 0 || secondsSinceMidnight >= 24 * 3600) return {};
    std::string out;
    out.reserve(8);
    appendTwoDigits(out, secondsSinceMidnight / 3600);
    out += ':';
    appendTwoDigits(out, secondsSinceMidnight / 60 % 60);
    out += ':';
    appendTwoDigits(out, secondsSinceMidnight % 60);
    return out;
}

void EventLog::append(std::int32_t seconds, std::uint32_t pid, std::string_view kind, std::string_view content) {
    content = firstGbkChars(content, kEventContentChars);
    if (rows_.size() < capacity_) {
        rows_.push_back(EventRow{seconds, pid, std::string(kind), std::string(content)});
        return;
    }
    EventRow& row = rows_[oldest_];
    row.seconds = seconds;
    row.pid = pid;
    row.kind.assign(kind);
    row.content.assign(content);
    oldest_ = oldest_ + 1 == capacity_ ? 0 : oldest_ + 1;
}

const EventRow& EventLog::at(std::size_t i) const noexcept {
    const std::size_t index = oldest_ + i;
    return rows_[index < rows_.size() ? index : index - rows_.size()];
}

void EventLog::clear() noexcept {
    std::vector<EventRow>().swap(rows_);
    oldest_ = 0;
}

std::string EventLog::exportText() const {
    std::string out;
    std::size_t bytes = 0;
    for (const EventRow& row : rows_) bytes += 8 + 10 + row.kind.size() + row.content.size() + 5;
    out.reserve(bytes);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const EventRow& row = at(i);
        out += clockText(row.seconds);
        out += '\t';
        if (row.pid != 0) out += std::to_string(row.pid);
        out += '\t';
        appendField(out, row.kind);
        out += '\t';
        appendField(out, row.content);
        out += "\r\n";
    }
    return out;
}

}  // namespace vuv
