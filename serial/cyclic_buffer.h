// The reply buffer: a ring of length-prefixed pieces between one producer (the receive callback
// on the port's reader thread) and one consumer (the reply thread), without a lock.
#pragma once

#include <atomic>
#include <cstdint>

// Places of the ring. A position may hold CYCLIC_BUF_SIZE after a piece that ends at the last
// place; it denotes the same place as 0.
constexpr int32_t CYCLIC_BUF_SIZE = 400;
// Longest piece: its length is stored in one byte.
constexpr int CYCLIC_MAX_PIECE = 255;

struct CyclicBuffer;

// Returns n > 0 (a piece of n bytes copied and removed), 0 (empty buffer, or an empty piece
// removed) or -n (the next piece of n bytes left in place: no destination, or n > capacity).
// The destination needs capacity + 1 bytes: the piece is followed by a zero byte.
using CyclicReadFn = int (*)(CyclicBuffer* buffer, char* destination, int capacity);
// Returns 1 when the piece was stored, -1 when it did not fit. The length is taken modulo 256.
using CyclicWriteFn = int (*)(CyclicBuffer* buffer, const char* data, unsigned int length);

struct CyclicBuffer {
    // Written only by the consumer (release), read by the producer (acquire).
    std::atomic<int32_t> readPos{0};
    // Written only by the producer (release), read by the consumer (acquire).
    std::atomic<int32_t> writePos{0};
    unsigned char ring[CYCLIC_BUF_SIZE] = {};
    CyclicReadFn read = nullptr;
    CyclicWriteFn write = nullptr;
};

// The program's one reply buffer.
CyclicBuffer* CYCLIC_ReplyBuffer();

// Prepares the reply buffer: both positions 0 and its two operations; the ring is not cleared.
void CYCLICK_BUF_INIT_POINTERS();
// The same for any buffer (a buffer of one's own, as in tests).
void CYCLIC_InitBuffer(CyclicBuffer* buffer);

int CYCLIC_Write(CyclicBuffer* buffer, const char* data, unsigned int length);
int CYCLIC_Read(CyclicBuffer* buffer, char* destination, int capacity);
