// Turning the records of a .ui document into model records: shared helpers of the panel and
// menu-bar loaders.
#pragma once

#include "runtime/model_store.h"
#include "runtime/ui_file.h"

#include <string>

namespace corvane::model {

struct LoadProblem {
    int line = 0;
    std::string reason;
};

// The constant name: the dynamic property `constantName`, else the objectName.
std::string ConstantNameOf(const std::vector<UiProperty>& properties,
                           const std::string& objectName);
// Letters, digits and underscores, not empty.
bool IsValidConstantName(const std::string& name);

// Property readers: false when the property is absent or (with `problem` set) unusable.
bool TextProperty(const std::vector<UiProperty>& properties, const std::string& name,
                  std::string* out);
bool NumberProperty(const std::vector<UiProperty>& properties, const std::string& name, double* out,
                    LoadProblem* problem);
bool BoolProperty(const std::vector<UiProperty>& properties, const std::string& name, bool* out,
                  LoadProblem* problem);

// Menu bar `bar` of the document, with its menus and items numbered 1.. in order.
bool BuildMenuBar(const UiDocument& doc, const UiWidget& bar, MenuBar* out, LoadProblem* problem);

// Finds, reads and parses a panel file. Returns 0, or a negative UiError after printing the
// reason on stderr; `path` receives the file found.
int OpenUiDocument(const std::string& file, UiDocument* doc, std::string* path);

// Prints the problem of a panel file as "corvane: <file>:<line>: <reason>".
void ReportLoadProblem(const std::string& file, const LoadProblem& problem);

} // namespace corvane::model
