// The firmware version query: the reply thread hands every line to the version check until the
// device has identified itself; the accepted answer shows the connection as established, gives
// the channel count, sends the exposure setting and, 200 ms later on the user-interface thread,
// completes the product panel (LED group, binding again, saved values, full layout).
#pragma once

#include <cstdint>

struct AppRecord;

constexpr int32_t VERSION_COLOR_CONNECTED = 0x00FF00;
constexpr int32_t VERSION_COLOR_FAILED = 0xFF0000;
// Time from the accepted answer to the completion on the user-interface thread.
constexpr int VERSION_DELAY_MS = 200;

// A line whose first character is "D", "N" or "V" is the answer: versionFlag 1, green status,
// channelCount = the second "_"-separated number (-1 when there is none), the completion
// scheduled and "E:1<exposeTime>" written. Any other line turns the status red while no answer
// was accepted. The length is not used: the line ends at its zero byte.
void MainWorking_CheckVersionStatus(AppRecord* app, const char* line, int length);
// The pool function whose end runs Callback on the user-interface thread: waits 200 ms.
int VersionDelayFunction(void* unused);
// Completion on the user-interface thread: the LED group for channelCount, the product panel
// bound again with its saved values and on-load commands, the full layout. Does nothing when
// the connection it was scheduled for is over (callbackData: that connection's generation).
void Callback(int poolHandle, int functionId, unsigned int event, int value, void* callbackData);
