// The program's window on the panel model: Qt widgets for every panel and control.
//
// Call InitQtView on the thread that will be the user-interface thread, before
// InitUserInterface: it creates the application, puts the user-interface loop inside Qt's event
// loop, shows pop-ups as Qt dialogs and starts following the model. CloseQtView, after
// CloseUserInterface, closes every window and the application.
#pragma once

#include <string>

class QLabel;
class QWidget;

// Returns 1, or 0 when another kind of Qt application (without widgets) already exists.
// argc must stay valid while the view is open (Qt keeps a reference to it).
int InitQtView(int& argc, char** argv);
void CloseQtView();

// Shows the model changes recorded so far at once instead of at the next frame (tests, tools).
void FlushQtView();

// Renders a panel (with its child panels and menu bar) into a PNG file, whether it is displayed
// or not. Returns 0, UIE_BadPanelHandle, or UIE_BadArgument when the file cannot be written.
int SavePanelImage(int panel, const std::string& pngPath);

// For tests and tools, on the user-interface thread; nullptr when the view has none.
QWidget* QtPanelWidget(int panel);                // the window, or the child panel's widget
QWidget* QtControlWidget(int panel, int control); // the control's widget
QLabel* QtControlLabel(int panel, int control);   // the label above the control
long QtViewFlushCount();                          // flushes so far
long QtControlApplyCount(int panel, int control); // snapshots shown in the control so far
