// One link read from a bookmark file: what the importers give the lists.
#pragma once

#include <string>

namespace vuv {

struct ImportedLink {
    std::string name;     // link text or shortcut name; may be empty
    std::string address;  // may be empty
    std::string config;   // refresh configuration path; may be empty

    friend bool operator==(const ImportedLink& a, const ImportedLink& b) {
        return a.name == b.name && a.address == b.address && a.config == b.config;
    }
};

}  // namespace vuv
