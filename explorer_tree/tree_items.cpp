// Items of a tree view: inserting, reading and changing them, and walking a level.
#include "explorer_tree/tree_items.h"

#include <vector>

namespace {

constexpr UINT ContentMask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;

TVITEMA ContentItem(const ItemContent& content) {
    TVITEMA item{};
    item.mask = ContentMask;
    // The tree view copies the text and never writes through this pointer.
    item.pszText = const_cast<char*>(content.text.c_str());
    item.iImage = content.image;
    item.iSelectedImage = content.image;
    item.cChildren = content.children;
    item.lParam = content.parameter;
    return item;
}

HTREEITEM NextItem(HWND tree, HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

}  // namespace

HTREEITEM InsertItem(HWND tree, HTREEITEM parent, const ItemContent& content) {
    TVINSERTSTRUCTA insertion{};
    insertion.hParent = parent;
    insertion.hInsertAfter = TVI_LAST;
    insertion.item = ContentItem(content);
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insertion)));
}

void SetItemContent(HWND tree, HTREEITEM item, const ItemContent& content) {
    TVITEMA change = ContentItem(content);
    change.mask |= TVIF_HANDLE;
    change.hItem = item;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

void SetItemText(HWND tree, HTREEITEM item, const std::string& text) {
    TVITEMA change = ContentItem({text, 0, 0, 0});
    change.mask = TVIF_HANDLE | TVIF_TEXT;
    change.hItem = item;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

ItemInfo ReadItem(HWND tree, HTREEITEM item) {
    // Item texts are file names and shell labels, all shorter than the platform's path limit;
    // the tree view cuts anything longer to fit rather than overrun.
    std::vector<char> text(MAX_PATH);
    TVITEMA query{};
    query.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM;
    query.hItem = item;
    query.pszText = text.data();
    query.cchTextMax = MAX_PATH;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return {};
    return {text.data(), query.lParam};
}

TVITEMA QueryItem(HWND tree, HTREEITEM item, UINT mask) {
    TVITEMA query{};
    query.mask = TVIF_HANDLE | (mask & ~TVIF_TEXT);
    query.hItem = item;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return TVITEMA{};
    return query;
}

LPARAM ItemParameter(HWND tree, HTREEITEM item) {
    return QueryItem(tree, item, TVIF_PARAM).lParam;
}

void SetItemParameter(HWND tree, HTREEITEM item, LPARAM parameter) {
    TVITEMA change{};
    change.mask = TVIF_HANDLE | TVIF_PARAM;
    change.hItem = item;
    change.lParam = parameter;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

HTREEITEM FirstChild(HWND tree, HTREEITEM item) {
    return NextItem(tree, item, TVGN_CHILD);
}

HTREEITEM NextSibling(HWND tree, HTREEITEM item) {
    return NextItem(tree, item, TVGN_NEXT);
}

HTREEITEM ParentItem(HWND tree, HTREEITEM item) {
    return NextItem(tree, item, TVGN_PARENT);
}
