#include "engine/panel_check.h"

#include <filesystem>

#include "engine/binding.h"
#include "runtime/userint.h"

namespace {

const char* LoadErrorText(int status) {
    switch (status) {
    case UIE_FileNotFound:
        return "file not found";
    case UIE_BadFileFormat:
        return "not a readable panel file";
    case UIE_PanelNotFound:
        return "the file holds no panel";
    case UIE_OutOfMemory:
        return "out of memory";
    default:
        return "the panel could not be loaded";
    }
}

// A path that names an existing file from the working folder is used as it is; any other name
// is looked up in the program's panel folder, as the program loads its panels.
std::string PanelFileArgument(const std::string& file) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec))
        return std::filesystem::absolute(file, ec).string();
    return file;
}

void PrintPanel(int n, int panel, std::ostream& out) {
    std::string name, title;
    GetPanelAttribute(panel, ATTR_CONSTANT_NAME, &name);
    GetPanelAttribute(panel, ATTR_TITLE, &title);
    out << "panel " << n << " " << name << " \"" << title << "\"\n";

    BindingReport report;
    MainWorking_PlanBinding(panel, &report);

    int id = 0;
    GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &id);
    while (id > 0) {
        std::string ctrlName, label;
        GetCtrlAttribute(panel, id, ATTR_CONSTANT_NAME, &ctrlName);
        GetCtrlAttribute(panel, id, ATTR_LABEL_TEXT, &label);
        std::string what;
        auto it = report.notes.find(id);
        if (it == report.notes.end() || it->second.empty()) {
            what = "none";
        } else {
            for (const auto& note : it->second) {
                if (!what.empty()) what += "; ";
                what += note;
            }
        }
        out << id << '\t' << ctrlName << '\t' << ControlKindName(GetCtrlKind(panel, id)) << '\t'
            << label << '\t' << what << '\n';
        if (GetCtrlAttribute(panel, id, ATTR_NEXT_CTRL, &id) < 0) break;
    }
    for (const auto& w : report.warnings)
        out << "warning: " << w << '\n';
}

} // namespace

const char* ControlKindName(int kind) {
    switch (kind) {
    case KIND_NUMERIC:
        return "numeric";
    case KIND_NUMERIC_SLIDE:
        return "numeric slide";
    case KIND_STRING:
        return "string";
    case KIND_TEXT_BOX:
        return "text box";
    case KIND_COMMAND_BUTTON:
        return "command button";
    case KIND_TOGGLE_BUTTON:
        return "toggle button";
    case KIND_BINARY_SWITCH:
        return "binary switch";
    case KIND_CHECK_BOX:
        return "check box";
    case KIND_RING:
        return "ring";
    case KIND_TEXT_MSG:
        return "text message";
    case KIND_DECORATION:
        return "decoration";
    case KIND_GRAPH:
        return "graph";
    default:
        return "unknown";
    }
}

int RunPanelCheck(const std::string& file, std::ostream& out, std::ostream& err) {
    const std::string path = PanelFileArgument(file);
    const int count = GetPanelCountInFile(path);
    if (count < 1) {
        err << "cannot check " << file << ": "
            << (count == 0 ? std::string("the file holds no panel") : LoadErrorText(count)) << '\n';
        return 1;
    }
    for (int n = 1; n <= count; ++n) {
        const int panel = LoadPanel(0, path, n);
        if (panel < 0) {
            err << "cannot check " << file << ": " << LoadErrorText(panel) << " (panel " << n
                << ")\n";
            return 1;
        }
        PrintPanel(n, panel, out);
        DiscardPanel(panel);
    }
    return 0;
}
