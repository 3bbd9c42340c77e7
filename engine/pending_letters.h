// Queues of a PanelContext: the pending command letters and the pending text commands.
//
// Writers (control callbacks on the user-interface thread, the spectrum run on its own thread)
// claim a free slot with a compare-and-swap, so two writers never take the same slot; the send
// thread takes a letter by swapping it back to 0. The pending-letter lock, when it exists, is
// also held by writers while they queue a letter.
#pragma once

#include <string_view>

#include "engine/app_record.h"

// Queues the letter of `name` (position 0, or position 2 when position 0 is a digit: "4_P_SPC"
// queues P) and raises the context's pending flag. Returns 1 when a free slot took it, 0 when
// all five are taken (or the name has no letter to queue).
int MainWorking_AddToBuf(PanelContext* ctx, std::string_view name);

// Queues the control whose text is to be sent as a raw line. Returns 1 when a slot took it.
int MainWorking_QueueTextCommand(PanelContext* ctx, int control);

// The pending-letter lock: created by the spectrum set-up, deleted when the spectrum mode is
// closed. Both may be called more than once. Deleting it while another thread holds it is
// safe: the lock only stops being taken by later writers.
void MainWorking_CreatePendingLetterLock();
void MainWorking_DeletePendingLetterLock();
bool MainWorking_PendingLetterLockExists();
