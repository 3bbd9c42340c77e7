#include "shell/panel_global.h"

#include "runtime/userint.h"

int LoadPanelGlobalM(const std::string& file, int parentPanel, int panelNumber) {
    return LoadPanel(parentPanel, file, panelNumber);
}

int LoadMenuGlobal(int panel, const std::string& file, int menuBarNumber) {
    return LoadMenuBar(panel, file, menuBarNumber);
}
