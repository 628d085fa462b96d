// What the shell knows about a path: its small and large icons and its display name.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <optional>
#include <string>
#include "platform/handles.h"

// Each answers nothing (or null) when the shell does not know the path or the path is longer
// than the platform takes. Paths may also be parsing names such as "::{...}".
HIMAGELIST SmallIconList(const std::string& path);
std::optional<int> SmallIconOf(const std::string& path);
std::optional<std::string> DisplayNameOf(const std::string& path);
OwnedIcon LargeIconOf(const std::string& path);
