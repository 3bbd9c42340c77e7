// Serial ports: COM port numbers mapped to devices (runtime/serial_map.h), opened on POSIX
// termios. Plain C++; every operation may be called from any thread.
//
// Receiving. Each open port has a reader thread that reads the device into the port's input
// queue (inputQueueSize bytes; while the queue is full the device's bytes wait in the kernel,
// nothing is dropped) and raises the receive events of InstallComCallback:
//   COM_EVENT_CHAR         the event character arrived,
//   COM_EVENT_NOTIFY_COUNT new bytes arrived and the queue holds at least the notify count,
//   COM_EVENT_LINE_ERROR   the device vanished (unplugged, hung up: EIO, ENXIO, POLLHUP,
//                          POLLERR); reported once, after which the port reads nothing more.
// Events that arrive together are passed in one call.
//
// Where the callback runs. The com callback runs on the port's reader thread, not on the
// user-interface thread, so the receive side keeps up while the user-interface thread is busy.
// Consequences:
//   - For one port the callbacks run one at a time, in arrival order; the callback is the only
//     producer of whatever it fills (the reply buffer), one port at a time.
//   - ComRdTerm called from inside the callback reads the device directly (byte by byte, so
//     nothing beyond its terminator) while it waits for its terminator. Bytes the callback has
//     taken raise no second call; bytes still in the queue when it returns raise their events.
//   - CloseCom stops the reader and waits for it to end: no callback of the old port runs after
//     CloseCom returns. Called from inside the port's own callback, CloseCom closes the device at
//     once and the reader ends when the callback returns. A callback blocked in ComRdTerm is
//     woken by CloseCom. A callback must not wait for the thread that calls CloseCom (for
//     example for the user-interface thread when that thread closes the port).
//
// Writing. ComWrt writes the whole buffer under the port's write lock: writes from several
// threads never interleave. It waits for a full device buffer at most COM_WRITE_TIMEOUT_S.
#pragma once

#include <string>

// Results: 0 or a count on success, one of these on failure.
enum ComError : int {
    COM_ERR_SYSTEM = -1,         // unexpected system error
    COM_ERR_INVALID_PORT = -2,   // port number outside 1..COM_MAX_PORT
    COM_ERR_NOT_OPEN = -3,       // the port is not open (or is being closed)
    COM_ERR_IO = -4,             // a read or write failed
    COM_ERR_NO_DEVICE = -6,      // no device behind the port number, or the device is missing
    COM_ERR_CANNOT_OPEN = -7,    // the device exists but could not be opened
    COM_ERR_NULL_POINTER = -8,   // a buffer argument is missing
    COM_ERR_BAD_PARAMETER = -9,  // line settings, queue size, count or mode out of range
    COM_ERR_BUSY = -10,          // the device is in use (another program, or open here)
    COM_ERR_NO_PERMISSION = -11, // the user may not open the device (group dialout)
    COM_ERR_NOT_SERIAL = -12,    // the device is not a terminal device
    COM_ERR_THREAD = -13,        // the reader thread could not be started
    COM_ERR_DEVICE_GONE = -20,   // the device vanished while open
    COM_ERR_TIMEOUT = -99,       // a write could not be completed in time
};

// Receive events (event mask of InstallComCallback, event bits of the callback).
enum ComEvent : int {
    COM_EVENT_CHAR = 0x0002,
    COM_EVENT_LINE_ERROR = 0x0080,
    COM_EVENT_NOTIFY_COUNT = 0x8000,
};

enum ComParity : int {
    COM_PARITY_NONE = 0,
    COM_PARITY_ODD = 1,
    COM_PARITY_EVEN = 2,
    COM_PARITY_MARK = 3,
    COM_PARITY_SPACE = 4,
};

constexpr int COM_MAX_PORT = 999;
constexpr int COM_DEFAULT_QUEUE_SIZE = 512;
// Read time-out of a port until SetComTime changes it: a piece without its terminator cannot
// stall the receive side for longer.
constexpr double COM_DEFAULT_READ_TIMEOUT_S = 0.1;
// Longest wait of ComWrt for room in a full device buffer.
constexpr double COM_WRITE_TIMEOUT_S = 2.0;

using ComCallbackPtr = void (*)(int portNumber, int eventMask, void* callbackData);

// Opens COM port `portNumber` on `deviceName`, or, when deviceName is empty, on the device the
// serial-device map assigns to that number. Raw mode, no flow control, exclusive: a device that
// is open elsewhere (or under another number here) reports COM_ERR_BUSY. A port number that is
// already open here is COM_ERR_BUSY as well. Returns 0 or a negative ComError; the reason of the
// last failed open is kept for GetComOpenErrorText.
int OpenComConfig(int portNumber, const std::string& deviceName, long baudRate, int parity,
                  int dataBits, int stopBits, int inputQueueSize, int outputQueueSize);
// Stops the reader (see above), then closes the device. 0, or COM_ERR_NOT_OPEN.
int CloseCom(int portNumber);
// Software handshake (XON/XOFF) on (non-zero) or off.
int SetXMode(int portNumber, int mode);
// Read time-out of ComRdTerm in seconds (0 = return what is there at once).
int SetComTime(int portNumber, double timeoutSeconds);
// Discards the input queue (and what the device driver holds) / the unsent output.
int FlushInQ(int portNumber);
int FlushOutQ(int portNumber);
// Bytes waiting in the input queue / not yet sent by the device driver; negative on error.
int GetInQLen(int portNumber);
// Removes the bytes equal to `byte` at the head of the input queue; returns how many.
int ComDiscardLeading(int portNumber, int byte);
int GetOutQLen(int portNumber);
// Installs (or, with a zero mask or no callback, removes) the receive callback.
int InstallComCallback(int portNumber, int eventMask, int notifyCount, int eventCharacter,
                       ComCallbackPtr callback, void* callbackData);
// Reads into buffer until the termination byte (consumed, not stored), maxCount bytes, or the
// read time-out. Returns the bytes stored (0 after a time-out with nothing read), or a negative
// ComError when nothing could be read because the port is not open or the device vanished.
// terminationByte < 0: no terminator. No terminating zero is written.
int ComRdTerm(int portNumber, char* buffer, int maxCount, int terminationByte);
// Writes count bytes; returns count, or a negative ComError.
int ComWrt(int portNumber, const char* buffer, int count);

// Text of a ComError code.
const char* GetRS232ErrorString(int errorCode);
// Why the last failed OpenComConfig failed, in words (port, device and cause); "" when the last
// open succeeded.
std::string GetComOpenErrorText();
