// Loading panels and menu bars for the modules: the run-time's loaders with the same values.
#pragma once

#include <string>

// LoadPanel(parentPanel, file, panelNumber): the panel handle, negative on failure.
int LoadPanelGlobalM(const std::string& file, int parentPanel, int panelNumber);
// LoadMenuBar(panel, file, menuBarNumber): the menu-bar handle, negative on failure.
int LoadMenuGlobal(int panel, const std::string& file, int menuBarNumber);
