// Callbacks of the main panel and the ones that panel files may name: the close box of the
// product panel, the exit buttons and the one-time orderly stop of the link.
#pragma once

// The product panel's callback: the close event ends the user-interface loop.
int MainWorking_panelCB(int panel, int event, void* callbackData, int eventData1, int eventData2);
// Exit buttons (by name "ExitCallBak"): on commit, the orderly shut-down of the link, then the
// end of the user-interface loop.
int ExitCallBak(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
// The one-time orderly stop of the link: stopFlag, "I:", 200 ms, port closed, write handshake
// finished. Later calls do nothing.
void CloseAllNo();
// The control callback behind the name "CloseAllNo": CloseAllNo on commit.
int CloseAllNoCallback(int panel, int control, int event, void* callbackData, int eventData1,
                       int eventData2);
// Registers the callbacks that panel files name ("ExitCallBak", "CloseAllNo") and makes
// CloseAllNo ready to run once more. Call before any panel is loaded.
void MainWorking_RegisterCallbacks();
