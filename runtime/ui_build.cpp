// Property readers and problem reports shared by the panel and menu-bar loaders.
#include "runtime/ui_build.h"

#include "runtime/panel_files.h"
#include "runtime/value_text.h"

#include <cctype>

namespace corvane::model {

namespace {
const UiProperty* Find(const std::vector<UiProperty>& properties, const std::string& name) {
    for (const auto& p : properties)
        if (p.name == name) return &p;
    return nullptr;
}
} // namespace

std::string ConstantNameOf(const std::vector<UiProperty>& properties,
                           const std::string& objectName) {
    std::string name;
    return TextProperty(properties, "constantName", &name) ? name : objectName;
}

bool IsValidConstantName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char ch : name)
        if (!(std::isalnum(ch) || ch == '_')) return false;
    return true;
}

bool TextProperty(const std::vector<UiProperty>& properties, const std::string& name,
                  std::string* out) {
    const UiProperty* p = Find(properties, name);
    if (!p || !(p->type == "string" || p->type == "cstring")) return false;
    *out = p->text;
    return true;
}

bool NumberProperty(const std::vector<UiProperty>& properties, const std::string& name, double* out,
                    LoadProblem* problem) {
    const UiProperty* p = Find(properties, name);
    if (!p) return false;
    bool ok = (p->type == "number" || p->type == "double" || p->type == "string" ||
               p->type == "cstring" || p->type == "float") &&
              ParseNumber(p->text, out);
    if (!ok) {
        problem->line = p->line;
        problem->reason = "property '" + name + "' must be a number, not '" + p->text + "'";
    }
    return ok;
}

bool BoolProperty(const std::vector<UiProperty>& properties, const std::string& name, bool* out,
                  LoadProblem* problem) {
    const UiProperty* p = Find(properties, name);
    if (!p) return false;
    if (p->type == "bool" && (p->text == "true" || p->text == "false")) {
        *out = p->text == "true";
        return true;
    }
    problem->line = p->line;
    problem->reason = "property '" + name + "' must be true or false, not '" + p->text + "'";
    return false;
}

int OpenUiDocument(const std::string& file, UiDocument* doc, std::string* path) {
    std::string where;
    if (!ResolvePanelFile(file, path, &where)) {
        ReportProblem(file, "panel file not found in " + where);
        return UIE_FileNotFound;
    }
    std::string bytes, reason;
    if (!ReadPanelFile(*path, &bytes, &reason)) {
        ReportProblem(*path, reason);
        return UIE_FileNotFound;
    }
    LoadProblem problem;
    if (!ReadUiDocument(bytes, doc, &problem.line, &problem.reason)) {
        ReportLoadProblem(*path, problem);
        return UIE_BadFileFormat;
    }
    return 0;
}

void ReportLoadProblem(const std::string& file, const LoadProblem& problem) {
    if (problem.line > 0)
        ReportProblem(file + ":" + std::to_string(problem.line), problem.reason);
    else
        ReportProblem(file, problem.reason);
}

} // namespace corvane::model
