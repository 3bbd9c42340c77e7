// Port lists for the rings: the ports of the serial-device map that are present now.
#include "runtime/serial_map.h"
#include "runtime/userint.h"
#include "serial/port_combo.h"

#include <cstdlib>

std::string PortCombo_ItemLabel(int number, const std::string& device,
                                const std::string& description) {
    std::string label = "COM" + std::to_string(number);
    if (!description.empty()) label += "  " + description;
    if (!device.empty()) label += " (" + device + ")";
    return label;
}

int PortCombo_PortNumber(const std::string& valueText) {
    if (valueText.size() <= 3) return 0;
    return std::atoi(valueText.c_str() + 3);
}

void PortCombo_InputComboValues(int panel, int ring) {
    ClearListCtrl(panel, ring);
    InsertListItem(panel, ring, -1, PORTCOMBO_REFRESH_ITEM, std::string(PORTCOMBO_REFRESH_ITEM));
    for (const SerialPortEntry& port : ListSerialPorts()) {
        InsertListItem(panel, ring, -1,
                       PortCombo_ItemLabel(port.number, port.device, port.description),
                       "COM" + std::to_string(port.number));
    }
    SetCtrlIndex(panel, ring, 0);
}

void InputComboValues(int panel, int ring) {
    ClearListCtrl(panel, ring);
    for (const SerialPortEntry& port : ListSerialPorts()) {
        InsertListItem(panel, ring, -1,
                       PortCombo_ItemLabel(port.number, port.device, port.description),
                       "COM" + std::to_string(port.number));
    }
    InsertListItem(panel, ring, -1, PORTCOMBO_RING_REFRESH_ITEM,
                   std::string(PORTCOMBO_RING_REFRESH_ITEM));
    SetCtrlIndex(panel, ring, 0);
}
