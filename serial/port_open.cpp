#include "serial/port_open.h"

#include "runtime/serial.h"
#include "runtime/userint.h"
#include "serial/port_work.h"

#include <iostream>
#include <string>

int PortCombo_OpenPort(int portNumber, int panel, int control) {
    const int opened = PortWork_Init(PortWork_Record(), portNumber);
    std::string reason;
    if (opened != 1) {
        reason = GetComOpenErrorText();
        if (reason.empty()) reason = "COM" + std::to_string(portNumber) + ": cannot be opened";
        std::cerr << "corvane-control: " << reason << "\n";
    }
    if (panel > 0 && control > 0) SetCtrlAttribute(panel, control, ATTR_TOOLTIP_TEXT, reason);
    return opened;
}
