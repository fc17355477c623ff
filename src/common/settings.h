// The paths the panel keeps in "设置.ini" and uses while it runs, GBK.
#pragma once

#include <string>

namespace vuv {

struct Settings {
    std::string browserPath;        // "鹭行路径": the browser executable
    std::string designatedPath;     // "指定浏览器": the browser a launch may use instead
    std::string defaultConfigPath;  // "默认配置": a default refresh configuration
};

}  // namespace vuv
