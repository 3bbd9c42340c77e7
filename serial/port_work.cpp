#include "serial/port_work.h"

#include "runtime/events.h"
#include "runtime/serial.h"
#include "serial/status_write.h"

#include <cstring>
#include <string>

namespace {

PortRecord g_portRecord;

void newLineBuffer(PortRecord* record, int32_t size, int32_t capacity) {
    record->lineBuffer.reset(new char[static_cast<size_t>(size)]());
    record->capacity = capacity;
}

// The line that goes out for text: the text itself when it ends in LF, otherwise the text plus
// LF built in the record's line buffer (growing it by the record's rule). Returns a copy, so
// that another writer may reuse the buffer while this line waits for the handshake.
std::string buildLine(PortRecord* record, const char* text) {
    const size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '\n') return std::string(text, length);

    std::lock_guard lock(record->lineMutex);
    if (!record->lineBuffer || static_cast<long long>(length) >= record->capacity - 3LL) {
        const int32_t size = static_cast<int32_t>(length + 8);
        newLineBuffer(record, size, size);
    }
    char* line = record->lineBuffer.get();
    std::memcpy(line, text, length);
    line[length] = '\n';
    line[length + 1] = '\0';
    return std::string(line, length + 1);
}

} // namespace

PortRecord* PortWork_Record() {
    return &g_portRecord;
}

void PortWork_INIT_POINTERS() {
    PortRecord* record = &g_portRecord;
    record->portNumber.store(-1);
    {
        std::lock_guard lock(record->lineMutex);
        newLineBuffer(record, PORT_LINE_BUFFER_SIZE, PORT_LINE_CAPACITY);
    }
    record->init = PortWork_Init;
    record->write = PortWork_Write;
    record->close = PortWork_Close;
    InitializeStatusWrite();
}

int PortWork_Init(PortRecord* record, int32_t portNumber) {
    const int32_t old = record->portNumber.load();
    if (old > 0) {
        record->portNumber.store(-1);
        CloseCom(old);
    }
    {
        std::lock_guard lock(record->lineMutex);
        if (!record->lineBuffer) newLineBuffer(record, PORT_LINE_BUFFER_SIZE, PORT_LINE_CAPACITY);
    }
    if (OpenComConfig(portNumber, "", PORT_BAUD_RATE, COM_PARITY_NONE, 8, 1, PORT_QUEUE_SIZE,
                      PORT_QUEUE_SIZE) < 0) {
        record->portNumber.store(-1);
        return 0;
    }
    SetXMode(portNumber, 0);
    FlushInQ(portNumber);
    FlushOutQ(portNumber);
    record->portNumber.store(portNumber);
    InstallComCallback(portNumber, PORT_EVENT_MASK, PORT_NOTIFY_COUNT, PORT_EVENT_CHARACTER,
                       ComCallback, record);
    return 1;
}

int PortWork_Write(PortRecord* record, const char* text, int32_t waitMode) {
    const std::string line = buildLine(record, text != nullptr ? text : "");
    // The handshake comes before the port check: a waiting write on a closed port still claims.
    if (waitMode != WAIT_MODE_NONE && SetWaitCom(waitMode) == 0) return -1;
    const int32_t port = record->portNumber.load();
    if (port < 1) return 1;
    const int written = ComWrt(port, line.data(), static_cast<int>(line.size()));
    ProcessSystemEvents();
    return written;
}

int PortWork_Close(PortRecord* record) {
    const int32_t old = record->portNumber.load();
    if (old >= 0) {
        record->portNumber.store(-1); // writers see no port before it closes
        CloseCom(old);
    }
    std::lock_guard lock(record->lineMutex);
    record->capacity = 0;
    record->lineBuffer.reset();
    return 1;
}
