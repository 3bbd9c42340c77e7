// The serial operations by port number: a table of the open ports.
#include "runtime/serial.h"
#include "runtime/serial_map.h"
#include "runtime/serial_port.h"

#include <cctype>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct PortTable {
    std::mutex mutex;
    std::map<int, std::shared_ptr<ComPort>> ports;
    std::string lastOpenError;
};

// Never destroyed: reader threads may still end while the program exits.
PortTable& table() {
    static PortTable* t = new PortTable;
    return *t;
}

std::shared_ptr<ComPort> find(int portNumber) {
    PortTable& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.ports.find(portNumber);
    return it == t.ports.end() ? nullptr : it->second;
}

int openFailed(int code, const std::string& reason) {
    PortTable& t = table();
    std::lock_guard lock(t.mutex);
    t.lastOpenError = reason;
    return code;
}

std::string comName(int portNumber) {
    return "COM" + std::to_string(portNumber);
}

// "COM7" (any letter case) names the device of the map's port 7.
int comNumberIn(const std::string& name) {
    if (name.size() < 4 || name.size() > 7) return 0;
    for (int i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
    }
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

} // namespace

int OpenComConfig(int portNumber, const std::string& deviceName, long baudRate, int parity,
                  int dataBits, int stopBits, int inputQueueSize, int outputQueueSize) {
    (void)outputQueueSize; // the device driver's own buffer holds the output
    if (portNumber < 1 || portNumber > COM_MAX_PORT) {
        return openFailed(COM_ERR_INVALID_PORT, comName(portNumber) + ": port numbers are 1 to " +
                                                    std::to_string(COM_MAX_PORT));
    }
    if (parity < COM_PARITY_NONE || parity > COM_PARITY_SPACE || dataBits < 5 || dataBits > 8 ||
        (stopBits != 1 && stopBits != 2) || inputQueueSize > (1 << 20)) {
        return openFailed(COM_ERR_BAD_PARAMETER,
                          comName(portNumber) + ": unsupported line settings");
    }
    if (inputQueueSize <= 0) inputQueueSize = COM_DEFAULT_QUEUE_SIZE;

    std::string device = deviceName;
    const int mapped = deviceName.empty() ? portNumber : comNumberIn(deviceName);
    if (mapped > 0) {
        device = SerialPortDevice(mapped);
        if (device.empty()) {
            return openFailed(COM_ERR_NO_DEVICE,
                              comName(mapped) + ": no serial device is present for this port");
        }
    }
    if (find(portNumber)) {
        return openFailed(COM_ERR_BUSY, comName(portNumber) + ": the port is already open");
    }

    ComLineSettings settings;
    settings.baudRate = baudRate;
    settings.parity = parity;
    settings.dataBits = dataBits;
    settings.stopBits = stopBits;
    std::shared_ptr<ComPort> port;
    std::string reason;
    int result = ComPort::open(portNumber, device, settings, inputQueueSize, &port, &reason);
    if (result < 0) return openFailed(result, reason);
    if (port->start() < 0) {
        port->close();
        return openFailed(COM_ERR_THREAD, comName(portNumber) + ": cannot start the reader thread");
    }

    PortTable& t = table();
    std::unique_lock lock(t.mutex);
    if (t.ports.count(portNumber) != 0) { // opened by another thread meanwhile
        lock.unlock();
        port->close();
        return openFailed(COM_ERR_BUSY, comName(portNumber) + ": the port is already open");
    }
    t.ports.emplace(portNumber, std::move(port));
    t.lastOpenError.clear();
    return 0;
}

int CloseCom(int portNumber) {
    std::shared_ptr<ComPort> port;
    {
        PortTable& t = table();
        std::lock_guard lock(t.mutex);
        auto it = t.ports.find(portNumber);
        if (it == t.ports.end()) return COM_ERR_NOT_OPEN;
        port = std::move(it->second);
        t.ports.erase(it);
    }
    // Outside the table's lock: the callback may still call the serial operations.
    port->close();
    return 0;
}

int SetXMode(int portNumber, int mode) {
    auto port = find(portNumber);
    return port ? port->setXMode(mode) : COM_ERR_NOT_OPEN;
}

int SetComTime(int portNumber, double timeoutSeconds) {
    auto port = find(portNumber);
    if (!port) return COM_ERR_NOT_OPEN;
    port->setReadTimeout(timeoutSeconds);
    return 0;
}

int FlushInQ(int portNumber) {
    auto port = find(portNumber);
    return port ? port->flushIn() : COM_ERR_NOT_OPEN;
}

int FlushOutQ(int portNumber) {
    auto port = find(portNumber);
    return port ? port->flushOut() : COM_ERR_NOT_OPEN;
}

int ComDiscardLeading(int portNumber, int byte) {
    auto port = find(portNumber);
    return port ? port->discardLeading(byte) : COM_ERR_NOT_OPEN;
}

int GetInQLen(int portNumber) {
    auto port = find(portNumber);
    return port ? port->inQueueLength() : COM_ERR_NOT_OPEN;
}

int GetOutQLen(int portNumber) {
    auto port = find(portNumber);
    return port ? port->outQueueLength() : COM_ERR_NOT_OPEN;
}

int InstallComCallback(int portNumber, int eventMask, int notifyCount, int eventCharacter,
                       ComCallbackPtr callback, void* callbackData) {
    auto port = find(portNumber);
    if (!port) return COM_ERR_NOT_OPEN;
    return port->installCallback(eventMask, notifyCount, eventCharacter, callback, callbackData);
}

int ComRdTerm(int portNumber, char* buffer, int maxCount, int terminationByte) {
    auto port = find(portNumber);
    return port ? port->read(buffer, maxCount, terminationByte) : COM_ERR_NOT_OPEN;
}

int ComWrt(int portNumber, const char* buffer, int count) {
    auto port = find(portNumber);
    return port ? port->write(buffer, count) : COM_ERR_NOT_OPEN;
}

std::string GetComOpenErrorText() {
    PortTable& t = table();
    std::lock_guard lock(t.mutex);
    return t.lastOpenError;
}
