// One open serial device: its file descriptor, input queue and reader thread. Used by the
// serial operations of runtime/serial.h, which keep the open ports by number.
#pragma once

#include "runtime/serial.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

struct ComLineSettings {
    long baudRate = 57600;
    int parity = COM_PARITY_NONE;
    int dataBits = 8;
    int stopBits = 1;
};

class ComPort : public std::enable_shared_from_this<ComPort> {
  public:
    // Opens and configures the device. On failure returns a ComError and the reason in words.
    static int open(int portNumber, const std::string& device, const ComLineSettings& settings,
                    int inputQueueSize, std::shared_ptr<ComPort>* port, std::string* reason);
    ~ComPort();
    ComPort(const ComPort&) = delete;
    ComPort& operator=(const ComPort&) = delete;

    // Starts the reader thread. 0 or COM_ERR_THREAD.
    int start();
    // Stops the reader and closes the device (see runtime/serial.h for the threads).
    void close();

    int read(char* buffer, int maxCount, int terminationByte);
    int write(const char* buffer, int count);
    int inQueueLength();
    int outQueueLength();
    int flushIn();
    int discardLeading(int byte);
    int flushOut();
    int setXMode(int mode);
    void setReadTimeout(double seconds);
    int installCallback(int eventMask, int notifyCount, int eventCharacter, ComCallbackPtr callback,
                        void* callbackData);

  private:
    ComPort(int portNumber, int fd, int inputQueueSize);

    // Results of fill() besides the number of bytes added.
    static constexpr int kStopped = -1;
    static constexpr int kGone = -2;

    void readerLoop();
    // Waits up to timeoutMs (-1: no limit) for the device and moves what fits into the queue,
    // at most maxBytes. Called only on the reader thread. Returns the bytes added (0 on
    // time-out), kStopped or kGone.
    int fill(int timeoutMs, size_t maxBytes);
    // Raises the pending events through the callback until none are left.
    void dispatch();
    bool onReaderThread() const { return readerId_.load() == std::this_thread::get_id(); }
    void wake();

    // Ring of the input queue; guarded by queueMutex_.
    size_t queueSize() const { return count_; }
    void push(const unsigned char* bytes, size_t n);
    unsigned char pop();

    const int portNumber_;
    int fd_;            // -1 once closed; closed under fdLife_ (exclusive)
    int wakeRead_ = -1; // self-pipe: readable once the port is being closed
    int wakeWrite_ = -1;

    std::shared_mutex fdLife_; // shared: any use of fd_ outside the reader thread
    std::mutex writeMutex_;    // one ComWrt at a time

    std::mutex queueMutex_;
    std::condition_variable queueChanged_; // bytes added or removed, or stopping
    std::vector<unsigned char> ring_;
    size_t head_ = 0;
    size_t count_ = 0;
    bool stopping_ = false;
    bool gone_ = false; // the device vanished; nothing more is read
    bool goneReported_ = false;
    int pendingEvents_ = 0;
    int eventMask_ = 0;
    int notifyCount_ = 0;
    int eventCharacter_ = -1;
    ComCallbackPtr callback_ = nullptr;
    void* callbackData_ = nullptr;

    std::atomic<double> readTimeout_{COM_DEFAULT_READ_TIMEOUT_S};
    std::atomic<std::thread::id> readerId_{};
    std::thread reader_;
    std::mutex threadMutex_; // guards reader_ between start() and close()
};
