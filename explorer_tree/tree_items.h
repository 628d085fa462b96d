// Items of a tree view: inserting, reading and changing them, and walking a level.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <string>

struct ItemContent {
    std::string text;
    int image = 0;       // both the normal and the selected image
    int children = 0;    // the children marker: 1 shows the item as expandable
    LPARAM parameter = 0;
};

struct ItemInfo {
    std::string text;
    LPARAM parameter = 0;
};

// Inserts as the last child; returns the new item or null.
HTREEITEM InsertItem(HWND tree, HTREEITEM parent, const ItemContent& content);
void SetItemContent(HWND tree, HTREEITEM item, const ItemContent& content);
// Changes the text only: the item keeps its place, selection, images, children and listing.
void SetItemText(HWND tree, HTREEITEM item, const std::string& text);
ItemInfo ReadItem(HWND tree, HTREEITEM item);
// The item's fields that the mask names (besides its text); all zero for an item that is gone.
TVITEMA QueryItem(HWND tree, HTREEITEM item, UINT mask);
LPARAM ItemParameter(HWND tree, HTREEITEM item);
void SetItemParameter(HWND tree, HTREEITEM item, LPARAM parameter);

HTREEITEM FirstChild(HWND tree, HTREEITEM item);
HTREEITEM NextSibling(HWND tree, HTREEITEM item);
HTREEITEM ParentItem(HWND tree, HTREEITEM item);

// The first child for which match(child) holds, or null.
template <typename Match>
HTREEITEM FindChild(HWND tree, HTREEITEM parent, Match match) {
    for (HTREEITEM child = FirstChild(tree, parent); child; child = NextSibling(tree, child))
        if (match(child)) return child;
    return nullptr;
}

// Keeps the tree view from recomputing and painting after every single change.
class RedrawPause {
public:
    explicit RedrawPause(HWND tree) : tree_(tree) { SendMessageA(tree_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawPause() { SendMessageA(tree_, WM_SETREDRAW, TRUE, 0); }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    HWND tree_;
};
