// Detection of the system's serial devices with libserialport. Ports are only listed, never
// opened through the library (it refuses pseudo-terminals; the map covers those).
#include "runtime/serial_map.h"

#include <libserialport.h>

std::vector<DetectedSerialPort> DetectSerialPorts() {
    std::vector<DetectedSerialPort> found;
    sp_port** ports = nullptr;
    if (sp_list_ports(&ports) != SP_OK || ports == nullptr) return found;
    for (sp_port** p = ports; *p != nullptr; ++p) {
        const char* name = sp_get_port_name(*p);
        if (name == nullptr) continue;
        const char* description = sp_get_port_description(*p);
        found.push_back({name, description != nullptr ? description : ""});
    }
    sp_free_port_list(ports);
    return found;
}
