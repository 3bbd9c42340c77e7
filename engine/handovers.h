// Hand-overs from binding to the modules that serve some of the recognised names (graph, data
// log, port selection, saved values, debug panel, spectrum) and the start of the engine
// threads. Each module fills its entries when it prepares its record; an entry left empty
// means that module is not part of the program: binding still recognises the name, and does
// nothing more for it.
#pragma once

#include <string>

#include "runtime/userint.h"

struct AppRecord;
class PanelContext;

struct EngineHandovers {
    // Data log (the "LGFIL" switch and MainWorking_BrowseCB). logRecord is the callback data
    // of the switch.
    void* logRecord = nullptr;
    void (*logSetTimeColumn)(void* record, int on) = nullptr;
    void (*logInit)(void* record, int panel, int unused, const std::string& name) = nullptr;
    int (*logBeginWork)(void* record) = nullptr; // negative when the user chose no file
    int (*logStopWork)(void* record) = nullptr;

    // Time graphs ("GRAPH" names and the trace names of "D" replies).
    void* graphRecord = nullptr;
    int (*graphIsBound)(void* record) = nullptr;
    void (*graphInit)(void* record, int panel, int control, int unused1, int capacity, int unused2,
                      const std::string& name) = nullptr;
    void (*graphInitAndUI)(void* record, int panel, int control, int unused1, int capacity,
                           int unused2, const std::string& name) = nullptr;
    void (*graphInitName)(void* record, const std::string& label, int key) = nullptr;

    // Port selection ("COM_POWER" rings).
    void (*portFillRing)(int panel, int control) = nullptr;
    CtrlCallbackPtr comSelectOnly = nullptr; // callback data: the PanelContext

    // Saved values ("SAVE_LOAD", "SAVE2_LOAD" buttons; restoring values after binding).
    CtrlCallbackPtr saveAndReload = nullptr;  // callback data: the PanelContext
    CtrlCallbackPtr saveAndReload2 = nullptr; // callback data: the PanelContext
    void (*initSaveAndSendOne)(PanelContext* ctx, int sendFlag) = nullptr;

    // Debug panel: forgets the traffic window (start-up and closing of a dialog).
    void (*debugClosePanel)() = nullptr;

    // Spectrum ("SPC_" controls).
    void (*specInitParams)(const std::string& name, PanelContext* ctx, int control) = nullptr;

    // Schedules the send and reply threads after the main panel is bound (stopFlag is 0 by
    // then). Filled by the module of the engine threads.
    void (*scheduleEngineThreads)(AppRecord* app) = nullptr;

    // The reply thread hands every piece it dispatches (PC control on, after the version answer)
    // to the data log and then to the time graphs: LogFile_AddPoints(logRecord, piece, length)
    // and GraphWorking_AddPoints(graphRecord, piece, length).
    void (*logAddPoints)(void* record, const char* piece, int length) = nullptr;
    void (*graphAddPoints)(void* record, const char* piece, int length) = nullptr;

    // Spectrum run: the send thread calls this after a run of its passes that took a pending
    // "P" letter and wrote that "P" group; the spectrum module signals its event when its run
    // waits for that LED command (state 4).
    void (*spectrumLedCommandSent)(AppRecord* app) = nullptr;
};

// The program's one hand-over table.
EngineHandovers& MainWorking_Handovers();
