// The serial-device map: which device is behind the port number COMn. It is the section
// "Ports" of the configuration file (program folder + "/CRV_Config.ini"), one line
// COMn=<device path> per port. Serial devices that the system detects and the section lacks get
// the lowest free number and are added, under their stable /dev/serial/by-id/... path where one
// exists, so a device keeps its number across runs and re-plugging. Lines may also be written
// by hand or by the device simulator (a pseudo-terminal). A line whose device is absent keeps
// its number but is not listed, and its port fails to open like a missing port.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct SerialPortEntry {
    int number = 0;          // n of COMn
    std::string device;      // the path in the configuration file
    std::string description; // what the system says about the device, for the port lists
};

// A serial device as detected by the system.
struct DetectedSerialPort {
    std::string device;      // e.g. /dev/ttyUSB0
    std::string description; // e.g. "FT232R USB UART"
};

// The configuration file of the map; SetSerialMapConfigPath("") returns to the default.
std::string SerialMapConfigPath();
void SetSerialMapConfigPath(const std::string& path);

// Adds newly detected devices to the map, then lists the ports whose device is present, by
// number.
std::vector<SerialPortEntry> ListSerialPorts();
// The device path of COMn when the map has it and the device is present (a device detected now
// is added first); "" otherwise.
std::string SerialPortDevice(int number);
// Puts `device` into the map as COM`number`, replacing what that number held. With number 0
// the device keeps the number it has in the map, or gets the lowest free number. Returns the
// number, or -1 when the configuration file could not be written.
int AssignSerialPort(const std::string& device, int number);

// The system's serial devices as libserialport lists them (kernel names such as /dev/ttyUSB0).
std::vector<DetectedSerialPort> DetectSerialPorts();

// Tests: replace the detection, and the folder of the stable names (default /dev/serial/by-id).
void SetSerialDetectorForTesting(std::function<std::vector<DetectedSerialPort>()> detector);
void SetSerialByIdFolderForTesting(const std::string& folder);
