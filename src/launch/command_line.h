// Command lines of started browsers and the reading of the launch interval.
#pragma once

#include "common/settings.h"
#include "launch/launch_entry.h"

#include <functional>
#include <string>
#include <string_view>

namespace vuv {

// Path of the browser's own settings file: every "lxbr.exe" in the browser
// path (letter case significant) becomes "yxsj.ini".
[[nodiscard]] std::string browserIniPath(std::string_view browserPath);

// "D", or "D" U when the address is not empty. Only the path is quoted.
[[nodiscard]] std::string designatedCommand(std::string_view designatedPath, std::string_view address);

// "P" alone when the address is empty (the configuration is then dropped);
// otherwise "P" U TF C, where T is the browser's last-open time passed on
// verbatim and F is "真" or "假" written right after it. An empty C leaves
// the trailing blank in place. Nothing but the path is quoted.
[[nodiscard]] std::string browserCommand(std::string_view browserPath, std::string_view address,
                                         std::string_view lastOpen, bool flag, std::string_view config);

// The command line that starts one launch entry: with the designated browser
// (designated) its path and the address; otherwise the browser's path and,
// for an entry with an address, the address, the last-open time, the flag
// and the configuration. lastOpen is asked only when the time is needed (it
// reads the browser's own settings file).
[[nodiscard]] std::string launchCommand(const LaunchEntry& entry, const Settings& settings, bool designated,
                                        bool flag, const std::function<std::string()>& lastOpen);

// The integer at the start of text: leading ASCII white space skipped, an
// optional sign, then the decimal digits up to the first other character.
// No digit gives 0; values beyond the range of int saturate.
[[nodiscard]] int leadingInteger(std::string_view text) noexcept;

}  // namespace vuv
