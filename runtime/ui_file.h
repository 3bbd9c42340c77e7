// The elements of a Qt Designer .ui document that panel files use, read into plain records.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace corvane::model {

struct UiProperty {
    std::string name;
    std::string type;                          // value element: string, number, bool, rect, ...
    std::string text;                          // text of a simple value
    std::map<std::string, std::string> fields; // parts of a compound value (rect, font, ...)
    int line = 0;
};

struct UiWidget {
    std::string className, name;
    int line = 0;
    std::vector<UiProperty> properties;
    std::vector<UiWidget> children;
    std::vector<std::vector<UiProperty>> items; // combo-box items
    std::vector<std::string> addActions;        // menus and menu bars
    int layoutLine = 0;                         // > 0 when the widget has a layout

    const UiProperty* property(const std::string& propertyName) const;
};

struct UiAction {
    std::string name;
    int line = 0;
    std::vector<UiProperty> properties;
    const UiProperty* property(const std::string& propertyName) const;
};

struct UiDocument {
    UiWidget root;
    std::vector<UiAction> actions; // every action of the document, in document order
};

// Reads a .ui document. On failure gives the line and the reason.
bool ReadUiDocument(const std::string& bytes, UiDocument* doc, int* errorLine, std::string* error);

} // namespace corvane::model
