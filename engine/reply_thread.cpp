// The reply thread: takes the pieces of the reply buffer and gives each its effect.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/connection.h"
#include "engine/conversion.h"
#include "engine/engine_thread_bodies.h"
#include "engine/engine_threads.h"
#include "engine/handovers.h"
#include "engine/on_off_lists.h"
#include "runtime/system.h"
#include "runtime/userint.h"
#include "serial/cyclic_buffer.h"
#include "serial/port_work.h"

namespace {

bool ReplyBufferHasPiece() {
    const CyclicBuffer* buffer = CYCLIC_ReplyBuffer();
    const int32_t read = buffer->readPos.load(std::memory_order_acquire) % CYCLIC_BUF_SIZE;
    const int32_t write = buffer->writePos.load(std::memory_order_acquire) % CYCLIC_BUF_SIZE;
    return read != write;
}

// The text of a piece up to its first zero byte (a control shows no bytes beyond it).
std::string PieceText(const char* piece, int length) {
    return std::string(piece, strnlen(piece, static_cast<size_t>(length)));
}

void ApplyEntries(AppRecord* app, const PanelContext& ctx, const char* piece, int length,
                  TrafficStamp* stamp) {
    const auto table = ctx.table(); // one table for this piece
    const int count = std::min<int>(table->replyCount, kMaxReplies);
    for (int i = 0; i < count; ++i) {
        if (!MainWorking_ConnectionIsCurrent(app)) return;
        MainWorking_ApplyReplyEntry(app, table->panel, table->replies[i], piece, length, stamp);
    }
}

} // namespace

void MainWorking_ApplyReplyEntry(AppRecord* app, int panel, const ReplyEntry& entry,
                                 const char* piece, int length, TrafficStamp* stamp) {
    if (piece == nullptr || length <= 0) return;
    if (entry.letter == '3') {
        // The traffic view: a time-stamp line, then the piece, appended as one text so that a
        // message appended by another thread never comes between them.
        if (!stamp->formatted) {
            double now = 0.0;
            GetCurrentDateTime(&now);
            std::snprintf(stamp->text, sizeof stamp->text, "\n%f  ,    ",
                          now - app->startTime.load());
            stamp->formatted = true;
        }
        const bool keepView = entry.scale.load() != 0.0f;
        int firstLine = 0;
        if (keepView) GetCtrlAttribute(panel, entry.ctrl, ATTR_FIRST_VISIBLE_LINE, &firstLine);
        SetCtrlVal(panel, entry.ctrl, stamp->text + PieceText(piece, length));
        if (keepView) SetCtrlAttribute(panel, entry.ctrl, ATTR_FIRST_VISIBLE_LINE, firstLine);
    }
    if (entry.letter != piece[0]) return;
    auto set = app->ops.SetCtrlValAsChar ? app->ops.SetCtrlValAsChar : MainWorking_SetCtrlValAsChar;
    if (entry.byDigit != 0) {
        if (length >= 2 && piece[1] - '0' == entry.index)
            set(panel, entry, PieceText(piece + 2, length - 2).c_str());
        return;
    }
    if (entry.index < 0) {
        set(panel, entry, PieceText(piece, length).c_str());
        return;
    }
    // Field k: the 5 characters at 1 + 6k to 5 + 6k; the last field runs to the end. A field
    // that starts at or beyond the end of the piece leaves the control unchanged.
    const long long start = 1 + 6LL * entry.index;
    if (start >= length) return;
    const long long end = std::min<long long>(length, 6LL * entry.index + 6);
    set(panel, entry, PieceText(piece + start, static_cast<int>(end - start)).c_str());
}

void MainWorking_DispatchPiece(AppRecord* app, const char* piece, int length) {
    if (app == nullptr || piece == nullptr || length <= 0) return;
    if (!MainWorking_ConnectionIsCurrent(app)) return;
    if (app->versionFlag.load() == 0) {
        if (app->ops.CheckVersionStatus) app->ops.CheckVersionStatus(app, piece, length);
        return;
    }
    if (app->pcControl.load() == 0) return; // dropped, not logged
    const EngineHandovers& h = MainWorking_Handovers();
    if (h.logAddPoints) h.logAddPoints(h.logRecord, piece, length);
    if (h.graphAddPoints) h.graphAddPoints(h.graphRecord, piece, length);
    if (piece[0] == 'B') {
        BWorkingTable& onOff = TheBWorkingTable();
        auto set = onOff.SetOnOff ? onOff.SetOnOff : B_working_SetOnOff;
        if (MainWorking_ConnectionIsCurrent(app)) set(&onOff, &app->mainPanel, piece);
        return;
    }
    TrafficStamp stamp;
    ApplyEntries(app, app->mainPanel, piece, length, &stamp);
    if (app->otherPanel.panel.load() != 0)
        ApplyEntries(app, app->otherPanel, piece, length, &stamp);
}

int MainWorking_RunReplyThread(AppRecord* app, uint32_t generation) {
    EngineThreadScope scope(generation);
    CyclicBuffer* buffer = CYCLIC_ReplyBuffer();
    auto read = buffer->read ? buffer->read : CYCLIC_Read;
    char piece[ENGINE_PIECE_MAX + 1];
    // Every wake-up takes every piece waiting, so nothing is lost at the full line rate; the
    // thread wakes every 50 ms, or sooner once a piece waits.
    while (MainWorking_PauseWhileCurrent(app, ENGINE_LOOP_MS, ReplyBufferHasPiece)) {
        while (MainWorking_ConnectionIsCurrent(app)) {
            const int n = read(buffer, piece, ENGINE_PIECE_MAX);
            if (n < 0) break; // cannot happen: no piece is longer than 255 bytes
            if (n == 0) {
                if (!ReplyBufferHasPiece()) break;
                continue; // an empty piece was removed
            }
            MainWorking_DispatchPiece(app, piece, n);
        }
    }
    return 0;
}

int DataAcqThreadOutFunction(void* app) {
    return MainWorking_RunReplyThread(static_cast<AppRecord*>(app),
                                      MainWorking_ConnectionGeneration());
}

int MainWorking_ArriveOutBuf(void* /*unused*/, const char* text, int length) {
    if (length < 0 || (text == nullptr && length > 0)) return -1;
    const unsigned n = static_cast<unsigned>(length) % 256u;
    char piece[256 + 1];
    if (n > 0) std::memcpy(piece, text, n);
    DelBit8(piece, static_cast<int>(n));
    CyclicBuffer* buffer = CYCLIC_ReplyBuffer();
    auto write = buffer->write ? buffer->write : CYCLIC_Write;
    return write(buffer, piece, n);
}
