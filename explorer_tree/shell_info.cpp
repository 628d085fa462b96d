// What the shell knows about a path: its small and large icons and its display name.
#include "explorer_tree/shell_info.h"

#include "platform/libraries_on_demand.h"

namespace {

// The shell copies the path into buffers of the platform's path size.
DWORD_PTR AskShell(const std::string& path, UINT flags, SHFILEINFOA& info) {
    if (path.size() >= MAX_PATH) return 0;
    return ShellGetFileInfo(path.c_str(), flags, info);
}

}  // namespace

HIMAGELIST SmallIconList(const std::string& path) {
    SHFILEINFOA info{};
    return reinterpret_cast<HIMAGELIST>(AskShell(path, SHGFI_SYSICONINDEX | SHGFI_SMALLICON, info));
}

std::optional<int> SmallIconOf(const std::string& path) {
    SHFILEINFOA info{};
    if (!AskShell(path, SHGFI_SYSICONINDEX | SHGFI_SMALLICON, info)) return std::nullopt;
    return info.iIcon;
}

std::optional<std::string> DisplayNameOf(const std::string& path) {
    SHFILEINFOA info{};
    if (!AskShell(path, SHGFI_DISPLAYNAME, info)) return std::nullopt;
    return std::string(info.szDisplayName);
}

OwnedIcon LargeIconOf(const std::string& path) {
    SHFILEINFOA info{};
    if (!AskShell(path, SHGFI_ICON, info)) return OwnedIcon();
    return OwnedIcon(info.hIcon);
}
