// File icons: one shell query per extension, kept for the life of the process.
#include "explorer_tree/tree_library.h"

#include "explorer_tree/shell_info.h"

namespace {

constexpr std::size_t LongestCachedExtension = 4;

int AskShellForIcon(const std::string& path) {
    return SmallIconOf(path).value_or(0);
}

// Programs, icon files and shortcuts each carry an icon of their own.
bool HasOwnIcon(const std::string& key) {
    return key == "EXE" || key == "ICO" || key == "LNK";
}

}  // namespace

int FileIcon(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t backslash = path.rfind('\\');
    // A dot in a folder name is no extension of the file.
    const bool hasExtension = dot != std::string::npos && (backslash == std::string::npos || dot > backslash);
    if (!hasExtension || path.size() - dot - 1 > LongestCachedExtension) return AskShellForIcon(path);
    std::string key = path.substr(dot + 1);
    for (char& character : key)
        if (character >= 'a' && character <= 'z') character = static_cast<char>(character - ('a' - 'A'));
    if (HasOwnIcon(key)) return AskShellForIcon(path);
    std::vector<IconCacheEntry>& cache = TreeLibrary().iconCache;
    for (const IconCacheEntry& entry : cache)
        if (entry.key == key) return entry.icon;
    const int icon = AskShellForIcon(path);
    cache.push_back({key, icon});
    return icon;
}

std::size_t IconCacheSize() {
    return TreeLibrary().iconCache.size();
}
