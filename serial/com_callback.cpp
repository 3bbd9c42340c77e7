// The receive callback: cuts the bytes of the port's input queue into pieces, stores them in
// the reply buffer and marks the write handshake as answered.
#include "runtime/serial.h"
#include "serial/cyclic_buffer.h"
#include "serial/port_work.h"
#include "serial/status_write.h"

namespace {

// Devices end their replies with CR; many send CR LF. The LF belongs to no piece: it is dropped
// at the head of the queue before each read and from the ends of a piece.
int withoutLineFeeds(char* piece, int length) {
    int start = 0;
    while (start < length && piece[start] == '\n')
        ++start;
    int end = length;
    while (end > start && piece[end - 1] == '\n')
        --end;
    if (start > 0)
        for (int i = start; i < end; ++i)
            piece[i - start] = piece[i];
    return end - start;
}

void store(char* piece, int length) {
    DelBit8(piece, length);
    length = withoutLineFeeds(piece, length);
    piece[length] = '\0';
    CyclicBuffer* reply = CYCLIC_ReplyBuffer();
    // A piece that does not fit is dropped: the reply thread is behind.
    if (reply->write != nullptr) {
        reply->write(reply, piece, static_cast<unsigned int>(length));
    } else {
        CYCLIC_Write(reply, piece, static_cast<unsigned int>(length));
    }
}

} // namespace

void DelBit8(char* buffer, int length) {
    if (buffer == nullptr || length < 0) return;
    for (int i = 0; i < length; ++i)
        buffer[i] = static_cast<char>(buffer[i] & 0x7F);
    buffer[length] = '\0';
}

void ComCallback(int portNumber, int eventMask, void* /*callbackData*/) {
    char piece[PORT_PIECE_MAX + 1];
    if ((eventMask & COM_EVENT_CHAR) != 0) {
        while (ComDiscardLeading(portNumber, '\n') >= 0 && GetInQLen(portNumber) > 0) {
            const int n = ComRdTerm(portNumber, piece, PORT_PIECE_MAX, PORT_REPLY_END);
            if (n < 0) break; // nothing was read: nothing reaches the reply buffer
            store(piece, n);
        }
        FinishWaitCom();
        // Only bytes that a failed read left behind are discarded; after a complete pass the
        // queue is empty, and flushing then would drop the next reply as it arrives.
        if (GetInQLen(portNumber) > 0) FlushInQ(portNumber);
        return;
    }
    if ((eventMask & COM_EVENT_NOTIFY_COUNT) != 0) {
        const int n = ComRdTerm(portNumber, piece, PORT_PIECE_MAX, PORT_NOTIFY_END);
        if (n >= 0) store(piece, n);
        FinishWaitCom();
    }
    if ((eventMask & COM_EVENT_LINE_ERROR) != 0) {
        FlushInQ(portNumber);
        FinishWaitCom();
    }
}
