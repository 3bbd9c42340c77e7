// The port module: the program's one port record, which opens a COM port with the device's
// fixed line settings, writes one text line at a time, closes the port, and owns the receive
// callback that cuts incoming bytes into pieces for the reply buffer.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

struct PortRecord;
using PortInitFn = int (*)(PortRecord* record, int32_t portNumber);
using PortWriteFn = int (*)(PortRecord* record, const char* text, int32_t waitMode);
using PortCloseFn = int (*)(PortRecord* record);

// Line settings of every open.
constexpr long PORT_BAUD_RATE = 57600;
constexpr int PORT_QUEUE_SIZE = 512;
// Receive callback: event character + line-status error + notify count.
constexpr int PORT_EVENT_MASK = 0x8082;
constexpr int PORT_NOTIFY_COUNT = 200;
// The event character is the device's line end: replies end with CR, so the callback runs when
// a reply is complete. (An LF would never come with CR-terminated replies, leaving them to the
// notify count, merged 100 bytes at a time.)
constexpr int PORT_EVENT_CHARACTER = 13;
constexpr int PORT_REPLY_END = 13;  // end of a piece in the event-character case
constexpr int PORT_NOTIFY_END = 10; // end of a piece in the notify-count case
constexpr int PORT_PIECE_MAX = 100;
// First line buffer: 15 bytes, of which 14 count as capacity.
constexpr int32_t PORT_LINE_BUFFER_SIZE = 15;
constexpr int32_t PORT_LINE_CAPACITY = 14;

struct PortRecord {
    // Number of the open COM port; -1 while none is open. Written by the user-interface
    // thread, read by every writer.
    std::atomic<int32_t> portNumber{-1};
    // Scratch line used when a line end must be added; capacity never exceeds its size.
    std::unique_ptr<char[]> lineBuffer;
    int32_t capacity = 0;
    PortInitFn init = nullptr;
    PortWriteFn write = nullptr;
    PortCloseFn close = nullptr;
    // Guards the line buffer: concurrent writers build their lines one at a time, and each
    // writes its own copy, so that lines never mix. Never held across the handshake or a write.
    std::mutex lineMutex;
};

// The program's one port record.
PortRecord* PortWork_Record();

// Fills the port record (port number -1, a line buffer of 15 bytes with capacity 14, the three
// operations) and creates the write handshake.
void PortWork_INIT_POINTERS();
// 1 when port n is open (a port open before is closed first); 0 when opening failed.
int PortWork_Init(PortRecord* record, int32_t portNumber);
// Sends text as one line, adding LF unless it ends in LF. Wait mode (0, 1 or -2) as in
// serial/status_write.h. Returns -1 when the handshake refused, 1 when no port is open (nothing
// sent), otherwise what ComWrt returned (bytes written or a negative serial error).
int PortWork_Write(PortRecord* record, const char* text, int32_t waitMode);
// Closes the port and releases the line buffer. Always 1.
int PortWork_Close(PortRecord* record);
// The receive callback (runs on the port's reader thread, see runtime/serial.h).
void ComCallback(int portNumber, int eventMask, void* callbackData);
// Clears bit 7 of the first length bytes and writes a zero byte at position length.
void DelBit8(char* buffer, int length);
