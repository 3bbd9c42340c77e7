// The engine threads of a connection: the send thread (version query, queued and changed
// commands, timed commands, data requests) and the reply thread (pieces of the reply buffer into
// the version check, the data log, the graphs and the reply controls), their start when the main
// panel is bound, and the hand-over from one connection to the next.
//
// Connection generations. Each binding of the main panel for a newly opened port begins a new
// connection generation (MainWorking_BeginConnection, before stopFlag is cleared). A thread
// keeps the generation it was scheduled for and counts as current only while that generation is
// the newest and stopFlag is 0; it checks this before every port write and every control update,
// and after a wait on the write handshake. A thread of an older connection that is still ending
// (inside a one-second handshake wait, for example) therefore never writes to the new port and
// never changes a control, and it does not keep its successor from being scheduled.
#pragma once

#include <cstdint>
#include <string>

#include "engine/app_record.h"

// Time of one send-loop pass and of the reply thread's wake-up (milliseconds).
constexpr int ENGINE_LOOP_MS = 50;
// Pause before the first version query.
constexpr int ENGINE_VERSION_START_MS = 500;
// Pause between two version queries.
constexpr int ENGINE_VERSION_REPEAT_MS = 100;
// A failing group line is written up to this many more times, this long apart.
constexpr int ENGINE_GROUP_RETRIES = 10;
constexpr int ENGINE_GROUP_RETRY_MS = 5;
// Longest piece the reply thread takes from the reply buffer.
constexpr int ENGINE_PIECE_MAX = 255;
// Longest wait for the engine threads to end once stopFlag is set: a thread may be inside a
// handshake wait (1 s) or a write to a full device buffer (2 s).
constexpr int ENGINE_THREADS_END_MS = 5000;

// The send thread (thread-pool data: the AppRecord). Returns 0 when it ends.
int DataAcqThreadInFunction(void* app);
// The reply thread (thread-pool data: the AppRecord). Returns 0 when it ends.
int DataAcqThreadOutFunction(void* app);

// Builds and sends the commands of the bound panels that are pending (passes A and B of the
// main panel, then of the dialog panel when it is pending).
void MainWorking_SendInComands(AppRecord* app);
// Stores a piece in the reply buffer as the receive callback does (bit 7 cleared, length taken
// modulo 256). Returns the result of the buffer's write. The reply buffer has one producer: use
// it only while no port delivers pieces.
int MainWorking_ArriveOutBuf(void* unused, const char* text, int length);

// The group line of command group `group` of `panel` as the send thread writes it (without its
// line end): the letter, ":" and the position values separated by ","; the letter alone when
// position 0 is empty; cut to kGroupLineLimit characters.
std::string MainWorking_BuildGroupLine(int panel, const CommandGroup& group);

// Begins a new connection generation: threads of the previous connections stop touching the
// port and the panels. Called by the binding of the main panel.
void MainWorking_BeginConnection();
// The newest connection generation.
uint32_t MainWorking_ConnectionGeneration();
// True when the calling thread may still write to the port and update controls: stopFlag is 0
// and, on an engine thread, its generation is the newest one. Other threads (the user-interface
// thread) are always current while stopFlag is 0.
bool MainWorking_ConnectionIsCurrent(const AppRecord* app);
// A port write for the connection of the calling thread: refused (-1, nothing written) when the
// thread is no longer current, also after a wait on the write handshake (the claim it made is
// given back). Otherwise the port record's write.
int MainWorking_WriteForConnection(AppRecord* app, const char* text, int32_t waitMode);

// Schedules the send and reply threads of the current connection on the default thread pool
// (EngineHandovers::scheduleEngineThreads). A thread of the current connection that runs is not
// scheduled again; one of an older connection that is still ending is replaced by a successor.
void MainWorking_ScheduleEngineThreads(AppRecord* app);
// Remembers a pool function that must have ended before the program exits (the version query's
// delay).
void MainWorking_TrackPoolFunction(int functionId);
// Waits until every engine thread and tracked pool function has ended, at most timeoutMs
// (negative: no limit). 1 when all have ended, 0 on time-out. Called at shut-down after stopFlag
// was set (and by MainWorking_INIT_POINTERS, which sets it).
int MainWorking_WaitForEngineThreads(int timeoutMs);
