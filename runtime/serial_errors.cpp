// Texts of the serial error codes.
#include "runtime/serial.h"

const char* GetRS232ErrorString(int errorCode) {
    switch (errorCode) {
    case 0:
        return "No error";
    case COM_ERR_SYSTEM:
        return "Unexpected system error";
    case COM_ERR_INVALID_PORT:
        return "Invalid port number";
    case COM_ERR_NOT_OPEN:
        return "Port is not open";
    case COM_ERR_IO:
        return "Input/output error";
    case COM_ERR_NO_DEVICE:
        return "No serial device for this port";
    case COM_ERR_CANNOT_OPEN:
        return "Cannot open the serial device";
    case COM_ERR_NULL_POINTER:
        return "Missing buffer";
    case COM_ERR_BAD_PARAMETER:
        return "Invalid parameter";
    case COM_ERR_BUSY:
        return "Serial device is busy";
    case COM_ERR_NO_PERMISSION:
        return "Permission denied";
    case COM_ERR_NOT_SERIAL:
        return "Not a serial device";
    case COM_ERR_THREAD:
        return "Cannot start the reader thread";
    case COM_ERR_DEVICE_GONE:
        return "Serial device vanished";
    case COM_ERR_TIMEOUT:
        return "Time-out";
    default:
        return "Unknown serial error";
    }
}
