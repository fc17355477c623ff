#include "launch/command_line.h"

#include <climits>

#include "common/gbk.h"
#include "common/texts.h"

namespace vuv {

namespace {

std::string quoted(std::string_view path) {
    std::string out;
    out.reserve(path.size() + 2);
    out += '"';
    out.append(path);
    out += '"';
    return out;
}

constexpr bool isSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

}  // namespace

std::string browserIniPath(std::string_view browserPath) {
    return gbk::replaceAll(browserPath, text::kBrowserExe, text::kBrowserIni);
}

std::string designatedCommand(std::string_view designatedPath, std::string_view address) {
    std::string command = quoted(designatedPath);
    if (!address.empty()) {
        command += ' ';
        command.append(address);
    }
    return command;
}

std::string browserCommand(std::string_view browserPath, std::string_view address, std::string_view lastOpen,
                           bool flag, std::string_view config) {
    std::string command = quoted(browserPath);
    if (address.empty()) return command;
    command += ' ';
    command.append(address);
    command += ' ';
    command.append(lastOpen);
    command.append(flag ? text::kTrue : text::kFalse);
    command += ' ';
    command.append(config);
    return command;
}

std::string launchCommand(const LaunchEntry& entry, const Settings& settings, bool designated, bool flag,
                          const std::function<std::string()>& lastOpen) {
    if (designated) return designatedCommand(settings.designatedPath, entry.address);
    if (entry.address.empty()) return browserCommand(settings.browserPath, {}, {}, flag, {});
    const std::string time = lastOpen ? lastOpen() : std::string(text::kDefaultLastOpen);
    return browserCommand(settings.browserPath, entry.address, time, flag, entry.config);
}

int leadingInteger(std::string_view text) noexcept {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // The magnitude stops growing just past INT_MAX; the clamp below then
    // yields INT_MAX or, for a minus sign, INT_MIN (whose magnitude is one more).
    constexpr long long kCap = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < text.size() && isDigit(text[i]) && magnitude < kCap; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace vuv
