// The callbacks that binding installs on the controls of a bound panel. They act on the commit
// event only, run on the user-interface thread and never write to the port: they fill the
// pending queues and flags that the send thread reads.
#pragma once

#include "engine/app_record.h"

// Queues the control's command letter (data: PanelContext).
int MainWorking_CallBackSetSend(int panel, int control, int event, void* ctx, int eventData1,
                                int eventData2);
// The PC-control switch switches PC control; any other control marks the main panel as
// changed, whichever panel it is on.
int MainWorking_CallBackAllIN(int panel, int control, int event, void* ctx, int eventData1,
                              int eventData2);
// Queues the target control (data: its id) as a pending text command of this panel.
int MainWorking_ControNmPointer(int panel, int control, int event, void* target, int eventData1,
                                int eventData2);
// Copies this control's integer value to the target control (data: its id).
int MainWorking_UpdateValOtherCnrl(int panel, int control, int event, void* target, int eventData1,
                                   int eventData2);
// A "RESIZE_" two-state control grows or shrinks the panel; 1 when resized.
int MainWorking_Resize(int panel, int control, int event, void* data, int eventData1,
                       int eventData2);
// A data-log two-state switch starts or stops the log (data: the log record).
int MainWorking_BrowseCB(int panel, int control, int event, void* logRecord, int eventData1,
                         int eventData2);

// Dims (1) or undims (0) every visible control of the main panel but `except`.
int MainWorking_SetDimmedAll(AppRecord* app, int except, int dimmed);

// Callback data of the controls that take a control id.
inline void* CtrlIdData(int id) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(id));
}
inline int CtrlIdFromData(void* data) {
    return static_cast<int>(reinterpret_cast<intptr_t>(data));
}
