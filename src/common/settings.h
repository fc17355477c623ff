// What the panel keeps in "设置.ini" and uses while it runs: the paths (GBK)
// and the options of the menu 工具, each off (0) unless its key says so.
#pragma once

#include <string>

namespace vuv {

struct Settings {
    std::string browserPath;        // "鹭行路径": the browser executable
    std::string designatedPath;     // "指定浏览器": the browser a launch may use instead
    std::string defaultConfigPath;  // "默认配置": a default refresh configuration

    bool autoReturnBookmarks = false;  // "自动退回书签": a gone copy's last bookmark goes back
    bool autoSaveWorkspace = false;    // "自动保存工作区": the workspace kept beside the program
    bool autoRestart = false;          // "自动重启浏览器": copies the panel started come back
    int maxRunning = 0;                // "最多同时运行": copies a walk lets run at once; 0 no limit
    int jitterMs = 0;                  // "随机间隔": the pause after a start varies by up to this
};

}  // namespace vuv
