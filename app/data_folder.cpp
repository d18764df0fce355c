// data_folder.cpp -- the data folder found from the environment the platform gives every program.
#include "app/data_folder.h"

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

// The folder itself, or "" when the environment names no place for it.
static std::string DataFolderRoot(void) {
#if defined(_WIN32)
    const char* appData = getenv("APPDATA");
    return appData && appData[0] ? std::string(appData) + "\\Shotgun-Kalvoro" : std::string();
#else
    const char* xdg = getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        return std::string(xdg) + "/shotgun-kalvoro";
    }
    const char* home = getenv("HOME");
    return home && home[0] ? std::string(home) + "/.local/share/shotgun-kalvoro" : std::string();
#endif
}

int DataFolderPath(const char* name, char* out, size_t size) {
    const std::string root = DataFolderRoot();
    if (root.empty()) {
        return 0;
    }
    const std::filesystem::path path = std::filesystem::path(root) / name;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error && !std::filesystem::is_directory(path.parent_path())) {
        return 0;
    }
    const std::string text = path.string();
    if (text.size() + 1 > size) {
        return 0;
    }
    snprintf(out, size, "%s", text.c_str());
    return 1;
}
