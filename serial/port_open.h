// Opening a chosen port for port selection: the port record opens it, and when it cannot, the
// reason goes to stderr and into the tooltip of the control that shows the link state.
#pragma once

// Opens COM`portNumber` through the port record (an open port is closed first). On failure the
// reason (no such device, permission, busy, ...) is printed on stderr and becomes the tooltip
// of (panel, control) when that control exists; on success the tooltip is cleared. Returns 1
// when the port opened, 0 otherwise.
int PortCombo_OpenPort(int portNumber, int panel, int control);
