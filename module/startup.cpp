#include "module/startup.h"

namespace karvelin::module {

std::string DisplayNameFromPath(const std::string& module_path) {
    const std::string::size_type slash = module_path.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? module_path : module_path.substr(slash + 1);
    const std::string::size_type dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

bool StartUp(StartupPlatform& platform, const std::string& module_path, LoadedLibrary& loaded) {
    // 1. No critical-error or open-file error boxes for the whole process;
    //    the mode's other flags stay as they were.
    platform.SetErrorMode(platform.GetErrorMode() | kFailCriticalErrors | kNoOpenFileErrorBox);
    loaded.display_name = DisplayNameFromPath(module_path);

    // 2. Windows Sockets 1.1, and exactly 1.1.
    std::uint16_t granted = 0;
    bool started = false;
    if (platform.SocketStartup(kSocketVersion, granted) == 0) {
        started = (granted & 0xFF) == 1 && (granted >> 8) == 1;
        if (!started) platform.SocketCleanup();
    }

    // 3. Otherwise tell the user once, and refuse the load.
    if (!started) {
        platform.ShowSocketFailure(loaded.display_name);
        return false;
    }
    loaded.sockets_started = true;
    return true;
}

void ShutDown(StartupPlatform& platform, LoadedLibrary& loaded) {
    if (loaded.sockets_started) platform.SocketCleanup();
    loaded.sockets_started = false;
}

}  // namespace karvelin::module
