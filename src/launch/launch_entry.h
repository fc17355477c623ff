// One row of the launch list: what a fresh browser copy is started with.
#pragma once

#include <string>

namespace vuv {

struct LaunchEntry {
    std::string name;     // 书签名, may be empty
    std::string address;  // 地址, may be empty
    std::string config;   // 配置路径, may be empty

    friend bool operator==(const LaunchEntry& a, const LaunchEntry& b) {
        return a.name == b.name && a.address == b.address && a.config == b.config;
    }
};

}  // namespace vuv
