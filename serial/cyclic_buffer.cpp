#include "serial/cyclic_buffer.h"

namespace {

CyclicBuffer g_replyBuffer;

// A position of CYCLIC_BUF_SIZE denotes place 0.
int32_t placeOf(int32_t position) {
    return position == CYCLIC_BUF_SIZE ? 0 : position;
}

} // namespace

CyclicBuffer* CYCLIC_ReplyBuffer() {
    return &g_replyBuffer;
}

void CYCLIC_InitBuffer(CyclicBuffer* buffer) {
    buffer->readPos.store(0, std::memory_order_release);
    buffer->writePos.store(0, std::memory_order_release);
    buffer->read = CYCLIC_Read;
    buffer->write = CYCLIC_Write;
}

void CYCLICK_BUF_INIT_POINTERS() {
    CYCLIC_InitBuffer(&g_replyBuffer);
}

int CYCLIC_Write(CyclicBuffer* buffer, const char* data, unsigned int length) {
    if (buffer == nullptr) return -1;
    const int32_t n = static_cast<int32_t>(length % 256u);
    if (n > 0 && data == nullptr) return -1;

    int32_t w = buffer->writePos.load(std::memory_order_relaxed);
    if (w == CYCLIC_BUF_SIZE) {
        w = 0;
        buffer->writePos.store(0, std::memory_order_release);
    }
    // Acquire: the consumer has finished copying every piece before the place it published.
    const int32_t r = placeOf(buffer->readPos.load(std::memory_order_acquire));
    const int32_t used = (w - r + CYCLIC_BUF_SIZE) % CYCLIC_BUF_SIZE;
    // One place always stays free, so that a full buffer never looks empty.
    if (1 + n >= CYCLIC_BUF_SIZE - used) return -1;

    buffer->ring[w] = static_cast<unsigned char>(n);
    int32_t place = w + 1;
    for (int32_t i = 0; i < n; ++i) {
        if (place == CYCLIC_BUF_SIZE) place = 0;
        buffer->ring[place++] = static_cast<unsigned char>(data[i]);
    }
    // Release: the piece's bytes become visible no later than the new position.
    buffer->writePos.store(place, std::memory_order_release);
    return 1;
}

int CYCLIC_Read(CyclicBuffer* buffer, char* destination, int capacity) {
    if (buffer == nullptr) return 0;
    int32_t r = buffer->readPos.load(std::memory_order_relaxed);
    if (r == CYCLIC_BUF_SIZE) {
        r = 0;
        buffer->readPos.store(0, std::memory_order_release);
    }
    // Acquire: the bytes of every piece before the published place are visible.
    const int32_t w = placeOf(buffer->writePos.load(std::memory_order_acquire));
    if (r == w) return 0;

    const int n = buffer->ring[r];
    if (destination == nullptr || n > capacity) return -n;

    int32_t place = r + 1;
    for (int i = 0; i < n; ++i) {
        if (place == CYCLIC_BUF_SIZE) place = 0;
        destination[i] = static_cast<char>(buffer->ring[place++]);
    }
    destination[n] = '\0';
    // Release: the copy is complete before the producer may reuse these places.
    buffer->readPos.store(place, std::memory_order_release);
    return n;
}
