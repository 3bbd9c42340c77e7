// The write handshake: lets a writer hold its command back until the device has sent data
// since the last claiming write, or until that claim is more than one second old. One
// thread-safe variable shared by the writers (PortWork_Write) and the receive callback, which
// marks every arrival of data as the answer.
#pragma once

#include <cstdint>

// Wait modes: the third argument of PortWork_Write and the argument of SetWaitCom.
enum WaitMode : int32_t {
    WAIT_MODE_NONE = 0,     // no wait, no claim (PortWork_Write does not call the handshake)
    WAIT_MODE_ANSWER = 1,   // wait until free or the claim is older than 1 s, then claim
    WAIT_MODE_IF_FREE = -2, // claim only when free, otherwise refuse at once
};

// A claim older than this (seconds) is taken over by a waiting writer.
constexpr double STATUS_WRITE_TIMEOUT_S = 1.0;
// Pause between two checks of a waiting writer (milliseconds).
constexpr int STATUS_WRITE_POLL_MS = 10;

struct StatusWrite {
    int32_t waiting = 0;    // 1 while an answer is owed for the last claiming write
    double claimTime = 0.0; // MonotonicSeconds() of the last claim
};

// 1: the caller may send now (the handshake is claimed); 0: refused, send nothing. Every mode
// other than WAIT_MODE_IF_FREE waits like WAIT_MODE_ANSWER. Refuses when the variable does not
// exist (never created, or discarded, also while waiting). Never holds the lock while sleeping.
int SetWaitCom(int32_t mode);
// Shut-down: waits like a mode-1 write (until free or the claim is older than 1 s), then
// discards the variable; later waiting writes are refused.
void StatusWriteFinish();
// Sets the waiting flag to 0 under the lock (data has arrived).
void FinishWaitCom();
// Creates the variable with both fields 0 (a variable that exists is discarded first).
void InitializeStatusWrite();
// Discards the variable.
void UninitializeStatusWrite();
// Locks the variable and returns its record; nullptr (and no lock) when it does not exist.
StatusWrite* GetPointerToStatusWrite();
// Unlocks the variable after GetPointerToStatusWrite returned a record.
void ReleasePointerToStatusWrite();
// Replaces the record under the lock.
void SetStatusWrite(int32_t waiting, double claimTime);
// A copy of the record read under the lock; both fields 0 when the variable does not exist.
StatusWrite GetStatusWrite();
