// Dynamic LED groups: once the device has told its channel count, a "Power" slide and an ON/OFF
// button per channel are created inside the area that the product panel marks with its
// "LED_LEFTPIX" control. Their constant names (P_F_INW_k, 1_P_F_INW_k) make them ordinary
// command controls at the next binding. Runs on the user-interface thread.
#pragma once

#include <cstdint>

#include "runtime/userint.h"

constexpr int LEDGROUP_MAX_CONTROLS = 50;
// Two controls per channel: the most channels one build can hold.
constexpr int LEDGROUP_MAX_CHANNELS = LEDGROUP_MAX_CONTROLS / 2;

// Geometry of the group.
constexpr int LEDGROUP_PITCH = 113; // left of one channel to the next
constexpr int LEDGROUP_SLIDE_WIDTH = 13;
constexpr int LEDGROUP_SLIDE_HEIGHT = 300;
constexpr int LEDGROUP_SLIDE_GAP = LEDGROUP_PITCH - LEDGROUP_SLIDE_WIDTH;
constexpr int LEDGROUP_BUTTON_WIDTH = 78;
constexpr int LEDGROUP_BUTTON_HEIGHT = 28;
constexpr int LEDGROUP_BUTTON_GAP = LEDGROUP_PITCH - LEDGROUP_BUTTON_WIDTH;
constexpr int LEDGROUP_BUTTON_SHIFT = 33; // a button's left, left of its slide's
constexpr int LEDGROUP_BUTTON_TOP = 345;  // below the top of the slides
constexpr int LEDGROUP_SINGLE_SHIFT = 39; // extra shift of a lone channel, and of a wide row
constexpr int LEDGROUP_EDGE_MARGIN = 5;   // room right of the last control for the panel

constexpr const char* LEDGROUP_ERROR_TITLE = "Error occured";
constexpr const char* LEDGROUP_NO_DAC_TEXT = "No DAC\nCheck switch power on";

struct LedGroupRecord;
using LedAddGroupLedsFn = int (*)(LedGroupRecord* record, int panel, int channels);
using LedFreeAllFn = void (*)(LedGroupRecord* record, int panel);
using LedBuildOneFn = int (*)(LedGroupRecord* record, int panel, int style, int left, int top,
                              int width, int height, const char* label, const char* name,
                              CtrlCallbackPtr callback, void* callbackData);
using LedAddDinamicGroupFn = int (*)(LedGroupRecord* record, int panel, int style, int width,
                                     int height, const char* nameBase, const char* labelBase,
                                     CtrlCallbackPtr callback, void* callbackData, int gap,
                                     int unused, int count, int left, int top);
using LedAddButtonsFn = int (*)(LedGroupRecord* record, int panel);

struct LedGroupRecord {
    int32_t created[LEDGROUP_MAX_CONTROLS] = {}; // ids of the controls created, in order
    int32_t count = 0;                           // entries of created in use
    LedAddGroupLedsFn AddGroupLeds = nullptr;
    LedFreeAllFn FreeAll = nullptr;
    LedBuildOneFn BuildOne = nullptr;
    LedAddDinamicGroupFn AddDinamicGroup = nullptr;
    LedAddButtonsFn AddButtons = nullptr;
};

// The program's one record (its operations are set from the start).
LedGroupRecord* DinamicControl_Record();
// Prepares `record` (or, given none, the program's one record): operations set, no controls.
LedGroupRecord* DinamicControl_INIT_POINTERS(LedGroupRecord* record = nullptr);

// Builds the group for `channels` channels on `panel` in the area of the AppRecord's
// ledLeftPixCtrl, after discarding a group built before. Fewer than 1 channel shows "No DAC";
// more than LEDGROUP_MAX_CHANNELS is refused with a message. Returns the result of the last
// attribute setting (0 when nothing was created), or the count of created controls when the
// panel has no area marker (nothing is done then).
int DinamicControl_AddGroupLeds(LedGroupRecord* record, int panel, int channels);
// Creates `count` controls in a row from (left, top), `gap` apart, named "<nameBase>_k" (the
// base alone when count is 1) with labels formed likewise (none without a label base), and tells
// port selection the right edge the panel needs. 1; 0 when the record has no room for them
// (nothing is created then).
int DinamicControl_AddDinamicGroup(LedGroupRecord* record, int panel, int style, int width,
                                   int height, const char* nameBase, const char* labelBase,
                                   CtrlCallbackPtr callback, void* callbackData, int gap,
                                   int unused, int count, int left, int top);
// Creates one control and records it. 1; 0 when it could not be created or the record is full.
int DinamicControl_BuildOne(LedGroupRecord* record, int panel, int style, int left, int top,
                            int width, int height, const char* label, const char* name,
                            CtrlCallbackPtr callback, void* callbackData);
// Builds the group for 8 channels. 1.
int DinamicControl_AddButtons(LedGroupRecord* record, int panel);
// Discards every created control from `panel` and empties the record.
void DinamicControl_FreeAll(LedGroupRecord* record, int panel);
