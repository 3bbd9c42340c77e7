// Menu bars: walking menus and items, their names and the item callbacks.
#include "runtime/model_store.h"

#include <algorithm>

using namespace corvane::model;

namespace {

// The id after `id` in `ids`, 0 after the last or when `id` is not there.
int NextIn(const std::vector<int>& ids, int id) {
    auto it = std::find(ids.begin(), ids.end(), id);
    if (it == ids.end() || ++it == ids.end()) return 0;
    return *it;
}

const MenuNode* MenuOfItem(const MenuBar& bar, int item) {
    for (const auto& node : bar.nodes)
        if (node.isMenu &&
            std::find(node.items.begin(), node.items.end(), item) != node.items.end())
            return &node;
    return nullptr;
}

} // namespace

int DiscardMenuBar(int menuBar) {
    auto lock = LockModel();
    if (!FindMenuBar(menuBar)) return UIE_BadMenuHandle;
    RemoveMenuBarLocked(menuBar);
    return 0;
}

int GetPanelMenuBar(int panel) {
    auto lock = LockModel();
    Panel* p = FindPanel(panel);
    if (!p) return UIE_BadPanelHandle;
    return p->menuBar;
}

int GetMenuBarAttribute(int menuBar, int menuOrItem, int attr, int* value) {
    if (!value) return UIE_BadArgument;
    auto lock = LockModel();
    MenuBar* bar = FindMenuBar(menuBar);
    if (!bar) return UIE_BadMenuHandle;
    if (attr == ATTR_FIRST_MENU_ID) {
        if (menuOrItem != 0) return UIE_BadArgument;
        *value = bar->menus.empty() ? 0 : bar->menus.front();
        return 0;
    }
    MenuNode* node = FindMenuNode(bar, menuOrItem);
    if (!node) return UIE_BadMenuHandle;
    switch (attr) {
    case ATTR_NEXT_MENU_ID:
        if (!node->isMenu) return UIE_BadArgument;
        *value = NextIn(bar->menus, node->id);
        return 0;
    case ATTR_FIRST_ITEM_ID:
        if (!node->isMenu) return UIE_BadArgument;
        *value = node->items.empty() ? 0 : node->items.front();
        return 0;
    case ATTR_NEXT_ITEM_ID: {
        if (node->isMenu) return UIE_BadArgument;
        const MenuNode* menu = MenuOfItem(*bar, node->id);
        *value = menu ? NextIn(menu->items, node->id) : 0;
        return 0;
    }
    case ATTR_SUBMENU_ID:
        if (node->isMenu) return UIE_BadArgument;
        *value = node->submenu;
        return 0;
    case ATTR_MENU_NAME:
    case ATTR_MENU_CONSTANT_NAME:
        return UIE_BadArgument; // text attributes
    default:
        return UIE_BadAttribute;
    }
}

int GetMenuBarAttribute(int menuBar, int menuOrItem, int attr, std::string* value) {
    if (!value) return UIE_BadArgument;
    auto lock = LockModel();
    MenuBar* bar = FindMenuBar(menuBar);
    if (!bar) return UIE_BadMenuHandle;
    MenuNode* node = FindMenuNode(bar, menuOrItem);
    if (attr == ATTR_MENU_NAME || attr == ATTR_MENU_CONSTANT_NAME) {
        if (!node) return UIE_BadMenuHandle;
        *value = attr == ATTR_MENU_NAME ? node->label : node->constantName;
        return 0;
    }
    switch (attr) {
    case ATTR_FIRST_MENU_ID:
    case ATTR_NEXT_MENU_ID:
    case ATTR_FIRST_ITEM_ID:
    case ATTR_NEXT_ITEM_ID:
    case ATTR_SUBMENU_ID:
        return UIE_BadArgument; // int attributes
    default:
        return UIE_BadAttribute;
    }
}

int InstallMenuCallback(int menuBar, int menuItem, MenuCallbackPtr fn, void* callbackData) {
    auto lock = LockModel();
    MenuBar* bar = FindMenuBar(menuBar);
    if (!bar) return UIE_BadMenuHandle;
    MenuNode* node = FindMenuNode(bar, menuItem);
    if (!node || node->isMenu) return UIE_BadMenuHandle;
    node->callback = fn;
    node->callbackData = callbackData;
    if (bar->panel) NotifyPanelChanged(bar->panel, CHANGE_ITEMS);
    return 0;
}

int GetMenuCallback(int menuBar, int menuItem, MenuCallbackPtr* fn, void** callbackData) {
    auto lock = LockModel();
    MenuBar* bar = FindMenuBar(menuBar);
    if (!bar) return UIE_BadMenuHandle;
    MenuNode* node = FindMenuNode(bar, menuItem);
    if (!node || node->isMenu) return UIE_BadMenuHandle;
    if (fn) *fn = node->callback;
    if (callbackData) *callbackData = node->callbackData;
    return 0;
}
