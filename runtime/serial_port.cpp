#include "runtime/serial_port.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

bool speedFor(long baud, speed_t* speed) {
    static const struct {
        long baud;
        speed_t speed;
    } kSpeeds[] = {
        {300, B300},         {600, B600},         {1200, B1200},      {2400, B2400},
        {4800, B4800},       {9600, B9600},       {19200, B19200},    {38400, B38400},
        {57600, B57600},     {115200, B115200},   {230400, B230400},  {460800, B460800},
        {500000, B500000},   {576000, B576000},   {921600, B921600},  {1000000, B1000000},
        {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}};
    for (const auto& s : kSpeeds) {
        if (s.baud == baud) {
            *speed = s.speed;
            return true;
        }
    }
    return false;
}

std::string describe(int portNumber, const std::string& device, const std::string& cause) {
    return "COM" + std::to_string(portNumber) + " (" + device + "): " + cause;
}

// Errors of read() and write() that mean the device is no longer there.
bool deviceGoneErrno(int e) {
    return e == EIO || e == ENXIO || e == ENODEV || e == EPIPE;
}

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::duration<double, std::milli>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::ceil(left));
}

} // namespace

ComPort::ComPort(int portNumber, int fd, int inputQueueSize)
    : portNumber_(portNumber), fd_(fd), ring_(static_cast<size_t>(inputQueueSize)) {}

ComPort::~ComPort() {
    close();
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

int ComPort::open(int portNumber, const std::string& device, const ComLineSettings& settings,
                  int inputQueueSize, std::shared_ptr<ComPort>* port, std::string* reason) {
    speed_t speed = B0;
    if (!speedFor(settings.baudRate, &speed)) {
        *reason = describe(portNumber, device,
                           "unsupported baud rate " + std::to_string(settings.baudRate));
        return COM_ERR_BAD_PARAMETER;
    }

    // Non-blocking from the start: the open itself must not wait for a modem line, and the
    // reader and writers wait in poll().
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        *reason = describe(portNumber, device, std::strerror(e));
        switch (e) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            *reason = describe(portNumber, device, "the device is not present");
            return COM_ERR_NO_DEVICE;
        case EACCES:
        case EPERM:
            *reason = describe(portNumber, device,
                               "permission denied (is the user in the group dialout?)");
            return COM_ERR_NO_PERMISSION;
        case EBUSY:
            *reason = describe(portNumber, device, "the device is busy (open in another program)");
            return COM_ERR_BUSY;
        default:
            return COM_ERR_CANNOT_OPEN;
        }
    }
    auto fail = [&](int code, const std::string& cause) {
        ::close(fd);
        *reason = describe(portNumber, device, cause);
        return code;
    };

    if (!::isatty(fd)) return fail(COM_ERR_NOT_SERIAL, "not a serial device");
    // flock keeps out every program that locks the device as well (this one, terminal programs),
    // and stands even for root, for whom TIOCEXCL does not.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return fail(COM_ERR_BUSY, "the device is busy (open in another program)");
        return fail(COM_ERR_CANNOT_OPEN,
                    std::string("cannot lock the device: ") + std::strerror(errno));
    }
    ::ioctl(fd, TIOCEXCL);

    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return fail(COM_ERR_NOT_SERIAL, std::strerror(errno));
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    switch (settings.dataBits) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    default:
        tio.c_cflag |= CS8;
        break;
    }
    switch (settings.parity) {
    case COM_PARITY_ODD:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case COM_PARITY_EVEN:
        tio.c_cflag |= PARENB;
        break;
    case COM_PARITY_MARK:
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case COM_PARITY_SPACE:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (settings.stopBits == 2) tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetspeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        return fail(COM_ERR_CANNOT_OPEN,
                    std::string("cannot set the line: ") + std::strerror(errno));
    }
    ::tcflush(fd, TCIOFLUSH);

    std::shared_ptr<ComPort> p(new ComPort(portNumber, fd, inputQueueSize));
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        *reason = describe(portNumber, device, std::strerror(errno));
        return COM_ERR_SYSTEM; // the destructor closes the device
    }
    p->wakeRead_ = pipeFds[0];
    p->wakeWrite_ = pipeFds[1];
    *port = std::move(p);
    return 0;
}

int ComPort::start() {
    std::lock_guard lock(threadMutex_);
    try {
        reader_ = std::thread([self = shared_from_this()] { self->readerLoop(); });
    } catch (const std::system_error&) {
        return COM_ERR_THREAD;
    }
    return 0;
}

void ComPort::wake() {
    const char byte = 1;
    // The pipe stays readable from now on: every later poll on it returns at once.
    [[maybe_unused]] ssize_t n = ::write(wakeWrite_, &byte, 1);
}

void ComPort::close() {
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
    }
    queueChanged_.notify_all();
    if (wakeWrite_ >= 0) wake();

    std::thread reader;
    {
        std::lock_guard lock(threadMutex_);
        reader = std::move(reader_);
    }
    if (reader.joinable()) {
        // From inside the callback the reader cannot be joined: it ends when the callback returns
        // and touches the device no more.
        if (reader.get_id() == std::this_thread::get_id()) {
            reader.detach();
        } else {
            reader.join();
        }
    }

    std::unique_lock life(fdLife_);
    if (fd_ >= 0) {
        ::ioctl(fd_, TIOCNXCL); // a pseudo-terminal outlives us: leave it open to the next user
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

void ComPort::push(const unsigned char* bytes, size_t n) {
    const size_t size = ring_.size();
    for (size_t i = 0; i < n; ++i)
        ring_[(head_ + count_ + i) % size] = bytes[i];
    count_ += n;
}

unsigned char ComPort::pop() {
    const unsigned char c = ring_[head_];
    head_ = (head_ + 1) % ring_.size();
    --count_;
    return c;
}

int ComPort::fill(int timeoutMs, size_t maxBytes) {
    size_t space = 0;
    {
        std::lock_guard lock(queueMutex_);
        if (stopping_) return kStopped;
        if (gone_) return kGone;
        space = std::min(ring_.size() - count_, maxBytes);
    }
    if (space == 0) return 0;

    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) return 0;
    if (ready > 0 && fds[1].revents != 0) return kStopped;

    bool vanished = ready < 0 || (fds[0].revents & POLLNVAL) != 0;
    if (!vanished && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        // Read before judging a hang-up: bytes that arrived before it are delivered first.
        unsigned char bytes[4096];
        const ssize_t n = ::read(fd_, bytes, std::min(space, sizeof bytes));
        if (n > 0) {
            {
                std::lock_guard lock(queueMutex_);
                push(bytes, static_cast<size_t>(n));
                if (eventCharacter_ >= 0 &&
                    std::memchr(bytes, eventCharacter_, static_cast<size_t>(n))) {
                    pendingEvents_ |= COM_EVENT_CHAR;
                }
                if (notifyCount_ > 0 && count_ >= static_cast<size_t>(notifyCount_)) {
                    pendingEvents_ |= COM_EVENT_NOTIFY_COUNT;
                }
            }
            queueChanged_.notify_all();
            return static_cast<int>(n);
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            vanished = (fds[0].revents & (POLLHUP | POLLERR)) != 0;
        } else {
            // 0 bytes from a readable terminal is a hang-up; EIO, ENXIO: unplugged. Any other
            // read error is treated the same way, so that the reader never spins on it.
            vanished = true;
        }
    }
    if (!vanished) return 0;

    {
        std::lock_guard lock(queueMutex_);
        gone_ = true;
        pendingEvents_ |= COM_EVENT_LINE_ERROR;
    }
    queueChanged_.notify_all();
    return kGone;
}

void ComPort::dispatch() {
    for (;;) {
        ComCallbackPtr callback = nullptr;
        void* data = nullptr;
        int events = 0;
        {
            std::lock_guard lock(queueMutex_);
            if (stopping_) return;
            events = pendingEvents_ & eventMask_;
            pendingEvents_ = 0;
            if ((events & COM_EVENT_LINE_ERROR) != 0) {
                if (goneReported_) events &= ~COM_EVENT_LINE_ERROR;
                goneReported_ = true;
            }
            callback = callback_;
            data = callbackData_;
        }
        if (events == 0 || callback == nullptr) return;
        callback(portNumber_, events, data);
        {
            // Bytes that the callback read itself raise no second call; events stay pending
            // only while their bytes are still in the queue.
            std::lock_guard lock(queueMutex_);
            if (count_ == 0) pendingEvents_ &= COM_EVENT_LINE_ERROR;
        }
    }
}

void ComPort::readerLoop() {
    readerId_.store(std::this_thread::get_id());
    for (;;) {
        {
            std::unique_lock lock(queueMutex_);
            // A full queue: the device's bytes wait in the kernel until a reader makes room.
            queueChanged_.wait(lock, [&] { return stopping_ || count_ < ring_.size(); });
            if (stopping_) return;
        }
        if (fill(-1, SIZE_MAX) == kStopped) return;
        dispatch();
        std::lock_guard lock(queueMutex_);
        if (stopping_ || gone_) return; // a vanished device is reported once and read no more
    }
}

int ComPort::read(char* buffer, int maxCount, int terminationByte) {
    if (maxCount < 0 || terminationByte > 255) return COM_ERR_BAD_PARAMETER;
    if (maxCount == 0) return 0;
    if (buffer == nullptr) return COM_ERR_NULL_POINTER;

    const bool reader = onReaderThread();
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(readTimeout_.load()));
    int got = 0;
    std::unique_lock lock(queueMutex_);
    for (;;) {
        bool took = false;
        bool ended = false;
        while (count_ > 0 && got < maxCount) {
            const unsigned char c = pop();
            took = true;
            if (terminationByte >= 0 && c == static_cast<unsigned char>(terminationByte)) {
                ended = true;
                break;
            }
            buffer[got++] = static_cast<char>(c);
        }
        if (took) queueChanged_.notify_all();
        if (ended || got >= maxCount) return got;
        if (stopping_) return got > 0 ? got : COM_ERR_NOT_OPEN;
        if (gone_) return got > 0 ? got : COM_ERR_DEVICE_GONE;
        if (Clock::now() >= deadline) return got;
        if (reader) {
            // Inside the callback nobody else fills the queue, so read the device here, one
            // byte at a time: nothing beyond the terminator is taken, and bytes that follow
            // raise their own event once the callback has returned.
            lock.unlock();
            fill(millisecondsUntil(deadline), 1);
            lock.lock();
        } else {
            queueChanged_.wait_until(lock, deadline);
        }
    }
}

int ComPort::write(const char* buffer, int count) {
    if (count < 0) return COM_ERR_BAD_PARAMETER;
    if (count == 0) return 0;
    if (buffer == nullptr) return COM_ERR_NULL_POINTER;

    std::lock_guard serial(writeMutex_);
    std::shared_lock life(fdLife_);
    if (fd_ < 0) return COM_ERR_NOT_OPEN;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(COM_WRITE_TIMEOUT_S));
    int done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, buffer + done, static_cast<size_t>(count - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return deviceGoneErrno(errno) ? COM_ERR_DEVICE_GONE : COM_ERR_IO;
        }
        // The device buffer is full: wait for room, for the close of the port, or the time-out.
        const int ms = millisecondsUntil(deadline);
        if (ms <= 0) return COM_ERR_TIMEOUT;
        pollfd fds[2] = {{fd_, POLLOUT, 0}, {wakeRead_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, ms);
        if (ready < 0 && errno != EINTR) return COM_ERR_IO;
        if (ready > 0 && fds[1].revents != 0) return COM_ERR_NOT_OPEN;
        if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return COM_ERR_DEVICE_GONE;
        }
    }
    return count;
}

int ComPort::inQueueLength() {
    std::lock_guard lock(queueMutex_);
    return static_cast<int>(count_);
}

int ComPort::discardLeading(int byte) {
    int removed = 0;
    {
        std::lock_guard lock(queueMutex_);
        while (count_ > 0 && ring_[head_] == static_cast<unsigned char>(byte)) {
            pop();
            ++removed;
        }
    }
    if (removed > 0) queueChanged_.notify_all();
    return removed;
}

int ComPort::outQueueLength() {
    std::shared_lock life(fdLife_);
    if (fd_ < 0) return COM_ERR_NOT_OPEN;
    int pending = 0;
    if (::ioctl(fd_, TIOCOUTQ, &pending) != 0) return COM_ERR_IO;
    return pending;
}

int ComPort::flushIn() {
    {
        std::shared_lock life(fdLife_);
        if (fd_ < 0) return COM_ERR_NOT_OPEN;
        ::tcflush(fd_, TCIFLUSH);
    }
    {
        std::lock_guard lock(queueMutex_);
        head_ = 0;
        count_ = 0;
        pendingEvents_ &= COM_EVENT_LINE_ERROR;
    }
    queueChanged_.notify_all();
    return 0;
}

int ComPort::flushOut() {
    std::shared_lock life(fdLife_);
    if (fd_ < 0) return COM_ERR_NOT_OPEN;
    ::tcflush(fd_, TCOFLUSH);
    return 0;
}

int ComPort::setXMode(int mode) {
    std::shared_lock life(fdLife_);
    if (fd_ < 0) return COM_ERR_NOT_OPEN;
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return COM_ERR_IO;
    if (mode != 0) {
        tio.c_iflag |= IXON | IXOFF;
    } else {
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    }
    return ::tcsetattr(fd_, TCSANOW, &tio) == 0 ? 0 : COM_ERR_IO;
}

void ComPort::setReadTimeout(double seconds) {
    readTimeout_.store(seconds < 0 ? 0.0 : seconds);
}

int ComPort::installCallback(int eventMask, int notifyCount, int eventCharacter,
                             ComCallbackPtr callback, void* callbackData) {
    if (notifyCount < 0 || eventCharacter < -1 || eventCharacter > 255)
        return COM_ERR_BAD_PARAMETER;
    std::lock_guard lock(queueMutex_);
    if (eventMask == 0 || callback == nullptr) {
        eventMask_ = 0;
        callback_ = nullptr;
        callbackData_ = nullptr;
        return 0;
    }
    eventMask_ = eventMask;
    notifyCount_ = notifyCount;
    eventCharacter_ = eventCharacter;
    callback_ = callback;
    callbackData_ = callbackData;
    return 0;
}
