// The bodies of the engine threads, run for one connection generation (engine/connection.h).
// The scheduler (engine/engine_threads.cpp) runs them on the thread pool; tests may call them
// directly.
#pragma once

#include <cstdint>

#include "engine/app_record.h"

int MainWorking_RunSendThread(AppRecord* app, uint32_t generation);
int MainWorking_RunReplyThread(AppRecord* app, uint32_t generation);

// Gives one piece taken from the reply buffer its effect: the version check while versionFlag
// is 0; otherwise, while PC control is on, the data log, the graphs, an on/off report or the
// reply entries of the bound panels.
void MainWorking_DispatchPiece(AppRecord* app, const char* piece, int length);

// The traffic view's time stamp of one piece: formatted for the first "3" entry that shows it,
// reused by the later ones.
struct TrafficStamp {
    bool formatted = false;
    char text[64] = {};
};

// The entry rule: what reply entry `entry` of `panel` takes from the piece.
void MainWorking_ApplyReplyEntry(AppRecord* app, int panel, const ReplyEntry& entry,
                                 const char* piece, int length, TrafficStamp* stamp);
