// Menu bars from panel files: the n-th QMenuBar, its menus in the order of its addaction
// elements, each menu's items in the order of the menu's addaction elements.
#include "runtime/ui_build.h"

namespace corvane::model {
namespace {

const UiWidget* ChildMenu(const UiWidget& parent, const std::string& name) {
    for (const auto& child : parent.children)
        if (child.className == "QMenu" && child.name == name) return &child;
    return nullptr;
}

const UiAction* FindAction(const UiDocument& doc, const std::string& name) {
    for (const auto& a : doc.actions)
        if (a.name == name) return &a;
    return nullptr;
}

void CollectMenuBars(const UiWidget& w, std::vector<const UiWidget*>* out) {
    if (w.className == "QMenuBar") out->push_back(&w);
    for (const auto& child : w.children)
        CollectMenuBars(child, out);
}

int NewNode(MenuBar* bar, bool isMenu, const std::string& constantName, const std::string& label) {
    MenuNode node;
    node.id = static_cast<int>(bar->nodes.size()) + 1;
    node.isMenu = isMenu;
    node.constantName = constantName;
    node.label = label;
    bar->nodes.push_back(std::move(node));
    return bar->nodes.back().id;
}

bool CheckName(const std::string& name, int line, LoadProblem* problem) {
    if (IsValidConstantName(name)) return true;
    problem->line = line;
    problem->reason = "'" + name + "' is not a valid constant name (letters, digits and _)";
    return false;
}

// Adds a menu and, depth first, its items and submenus. Returns the menu id, 0 on a problem.
int BuildMenu(const UiDocument& doc, const UiWidget& menu, MenuBar* bar, int depth,
              LoadProblem* problem) {
    if (depth > 16) {
        problem->line = menu.line;
        problem->reason = "menus nested too deeply";
        return 0;
    }
    std::string constantName = ConstantNameOf(menu.properties, menu.name);
    if (!CheckName(constantName, menu.line, problem)) return 0;
    std::string title;
    TextProperty(menu.properties, "title", &title);
    int id = NewNode(bar, true, constantName, title);
    for (const auto& name : menu.addActions) {
        if (name == "separator") continue;
        int item = 0;
        if (const UiWidget* sub = ChildMenu(menu, name)) {
            std::string subName = ConstantNameOf(sub->properties, sub->name);
            std::string subTitle;
            TextProperty(sub->properties, "title", &subTitle);
            item = NewNode(bar, false, subName, subTitle);
            int submenu = BuildMenu(doc, *sub, bar, depth + 1, problem);
            if (!submenu) return 0;
            bar->nodes[static_cast<size_t>(item - 1)].submenu = submenu;
        } else if (const UiAction* action = FindAction(doc, name)) {
            std::string itemName = ConstantNameOf(action->properties, action->name);
            if (!CheckName(itemName, action->line, problem)) return 0;
            std::string text;
            TextProperty(action->properties, "text", &text);
            item = NewNode(bar, false, itemName, text);
        } else {
            problem->line = menu.line;
            problem->reason = "menu '" + menu.name + "' lists '" + name +
                              "', which is neither an action nor a submenu of the file";
            return 0;
        }
        bar->nodes[static_cast<size_t>(id - 1)].items.push_back(item);
    }
    return id;
}

} // namespace

bool BuildMenuBar(const UiDocument& doc, const UiWidget& widget, MenuBar* out,
                  LoadProblem* problem) {
    for (const auto& name : widget.addActions) {
        if (name == "separator") continue;
        const UiWidget* menu = ChildMenu(widget, name);
        if (!menu) {
            problem->line = widget.line;
            problem->reason = "menu bar '" + widget.name + "' lists '" + name +
                              "', which is not one of its menus";
            return false;
        }
        int id = BuildMenu(doc, *menu, out, 0, problem);
        if (!id) return false;
        out->menus.push_back(id);
    }
    return true;
}

} // namespace corvane::model

using namespace corvane::model;

int LoadMenuBar(int panel, const std::string& file, int menuBarNumber) {
    if (panel != 0 && !PanelExists(panel)) {
        ReportProblem(file, "cannot load a menu bar onto panel " + std::to_string(panel) +
                                ", which does not exist");
        return UIE_BadPanelHandle;
    }
    UiDocument doc;
    std::string path;
    int st = OpenUiDocument(file, &doc, &path);
    if (st < 0) return st;
    std::vector<const UiWidget*> bars;
    CollectMenuBars(doc.root, &bars);
    if (menuBarNumber < 1 || menuBarNumber > static_cast<int>(bars.size())) {
        ReportLoadProblem(path, {doc.root.line, "menu bar " + std::to_string(menuBarNumber) +
                                                    " requested; the file has " +
                                                    std::to_string(bars.size())});
        return UIE_PanelNotFound;
    }
    auto bar = std::make_unique<MenuBar>();
    LoadProblem problem;
    if (!BuildMenuBar(doc, *bars[static_cast<size_t>(menuBarNumber - 1)], bar.get(), &problem)) {
        ReportLoadProblem(path, problem);
        return UIE_BadFileFormat;
    }
    st = AddMenuBar(std::move(bar), panel);
    if (st < 0) ReportProblem(path, "the panel was discarded while its menu bar was loading");
    return st;
}
