// The system id of the main (user-interface) thread, kept for CmtGetMainThreadID.
#pragma once

// Records the calling thread as the main thread (InitUserInterface does this).
void RecordMainThread();
