// Export of the launch list as "|#|" shortcut lines.
#pragma once

#include "launch/launch_entry.h"

#include <string>
#include <vector>

namespace vuv {

// One line per entry, ended by CR LF: address, name, "\" + name + ".url" and
// configuration path, joined by "|#|". The address comes first because the
// shortcut-line importer takes the address from the first piece and derives
// the name from the third, so an exported file imports back unchanged.
// An empty list gives an empty text.
[[nodiscard]] std::string exportLaunchEntries(const std::vector<LaunchEntry>& entries);

}  // namespace vuv
