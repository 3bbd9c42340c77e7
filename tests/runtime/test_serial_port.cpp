// Serial ports on pseudo-terminals: line settings, reads with terminator and time-out, whole
// writes from several threads, receive events on the reader thread, hang-up, closing (also
// from inside the callback), busy and missing devices.
#include "runtime/serial.h"
#include "tests/serial/pty_pair.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <termios.h>

namespace {

using testpty::PtyPair;
using testpty::waitFor;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

constexpr int kPort = 41;

int openPort(int number, const std::string& device, int queueSize = 512) {
    return OpenComConfig(number, device, 57600, COM_PARITY_NONE, 8, 1, queueSize, 512);
}

class SerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_EQ(openPort(kPort, pty.slavePath()), 0) << GetComOpenErrorText();
    }
    void TearDown() override { CloseCom(kPort); }

    std::string readPiece(int terminator = '\r', int max = 100) {
        char buf[512];
        int n = ComRdTerm(kPort, buf, max, terminator);
        return n >= 0 ? std::string(buf, static_cast<size_t>(n))
                      : "<error " + std::to_string(n) + ">";
    }

    PtyPair pty;
};

TEST_F(SerialPortTest, TheLineIsRaw57600EightNoneOneWithoutFlowControl) {
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.heldSlave(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B57600));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);

    ASSERT_EQ(SetXMode(kPort, 1), 0);
    ASSERT_EQ(tcgetattr(pty.heldSlave(), &tio), 0);
    EXPECT_NE(tio.c_iflag & IXON, 0u);
    ASSERT_EQ(SetXMode(kPort, 0), 0);
    ASSERT_EQ(tcgetattr(pty.heldSlave(), &tio), 0);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(SerialPortTest, ReadsEndAtTheTerminatorWhichIsConsumedNotStored) {
    ASSERT_TRUE(pty.send("D01234,00567\rV_1_4\r"));
    EXPECT_EQ(readPiece(), "D01234,00567");
    EXPECT_EQ(readPiece(), "V_1_4");
    EXPECT_EQ(GetInQLen(kPort), 0);
}

TEST_F(SerialPortTest, AReadStopsAtItsCountAndLeavesTheRest) {
    ASSERT_TRUE(pty.send("ABCDEFGH\r"));
    EXPECT_EQ(readPiece('\r', 5), "ABCDE");
    EXPECT_EQ(readPiece('\r', 5), "FGH");
}

TEST_F(SerialPortTest, BytesWithTheHighBitAndZeroBytesPassUnchanged) {
    const std::string bytes("\xC4\x00\xFF\n\x7F", 5);
    ASSERT_TRUE(pty.send(bytes + "\r"));
    EXPECT_EQ(readPiece(), bytes);
}

TEST_F(SerialPortTest, APieceWithoutItsTerminatorReturnsAfterTheReadTimeOut) {
    ASSERT_TRUE(pty.send("D012"));
    ASSERT_TRUE(waitFor([] { return GetInQLen(kPort) == 4; }, 2.0));
    auto start = Clock::now();
    EXPECT_EQ(readPiece(), "D012");
    double waited = secondsSince(start);
    EXPECT_GE(waited, 0.08);
    EXPECT_LT(waited, 0.6);

    start = Clock::now();
    EXPECT_EQ(readPiece(), "") << "nothing arrived: an empty read after the time-out";
    EXPECT_GE(secondsSince(start), 0.08);

    ASSERT_EQ(SetComTime(kPort, 0.4), 0);
    start = Clock::now();
    EXPECT_EQ(readPiece(), "");
    waited = secondsSince(start);
    EXPECT_GE(waited, 0.38);
    EXPECT_LT(waited, 1.2);
}

TEST_F(SerialPortTest, AReadWaitsForTheRestOfAPiece) {
    std::thread device([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        pty.send("D01");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        pty.send("234\r");
    });
    EXPECT_EQ(readPiece(), "D01234");
    device.join();
}

TEST_F(SerialPortTest, WritesReachTheDeviceExactly) {
    const std::string line("G:40,0\n\x01\xFF", 9);
    ASSERT_EQ(ComWrt(kPort, line.data(), static_cast<int>(line.size())), 9);
    EXPECT_EQ(pty.receive(9, 2.0), line);
    EXPECT_EQ(ComWrt(kPort, "x", 0), 0);
    EXPECT_EQ(ComWrt(kPort, nullptr, 3), COM_ERR_NULL_POINTER);
    EXPECT_EQ(ComWrt(kPort, "x", -1), COM_ERR_BAD_PARAMETER);
    EXPECT_GE(GetOutQLen(kPort), 0);
}

// Lines far longer than the pseudo-terminal's buffer force partial writes; the write lock must
// still keep each line whole.
TEST_F(SerialPortTest, WritesFromThreeThreadsAtOnceArriveAsWholeLines) {
    constexpr int kThreads = 3;
    constexpr int kLines = 12;
    auto lineOf = [](int thread, int i) {
        std::string s = "T" + std::to_string(thread) + "-" + std::to_string(i) + ":";
        s.append(3000 + static_cast<size_t>(i) * 97, static_cast<char>('a' + thread));
        return s + "\n";
    };
    size_t total = 0;
    std::set<std::string> expected;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kLines; ++i) {
            expected.insert(lineOf(t, i));
            total += lineOf(t, i).size();
        }
    }

    std::string received;
    std::thread device([&] { received = pty.receive(total, 20.0); });
    std::atomic<int> failures{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i) {
                const std::string l = lineOf(t, i);
                if (ComWrt(kPort, l.data(), static_cast<int>(l.size())) !=
                    static_cast<int>(l.size())) {
                    ++failures;
                }
            }
        });
    }
    for (auto& w : writers)
        w.join();
    device.join();
    EXPECT_EQ(failures.load(), 0);
    ASSERT_EQ(received.size(), total);

    std::istringstream lines(received);
    std::string line;
    int whole = 0;
    while (std::getline(lines, line)) {
        EXPECT_EQ(expected.count(line + "\n"), 1u) << "mixed line starting " << line.substr(0, 40);
        ++whole;
    }
    EXPECT_EQ(whole, kThreads * kLines);
}

TEST_F(SerialPortTest, AFullInputQueueHoldsTheDeviceBackWithoutLosingBytes) {
    CloseCom(kPort);
    ASSERT_EQ(openPort(kPort, pty.slavePath(), 64), 0);
    std::string sent;
    for (int i = 0; i < 400; ++i)
        sent += static_cast<char>('0' + i % 64);
    ASSERT_TRUE(pty.send(sent));
    ASSERT_TRUE(waitFor([] { return GetInQLen(kPort) == 64; }, 2.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(GetInQLen(kPort), 64) << "the queue grew beyond its size";

    std::string got;
    char buf[50];
    while (got.size() < sent.size()) {
        int n = ComRdTerm(kPort, buf, 50, -1);
        ASSERT_GT(n, 0) << "after " << got.size() << " bytes";
        got.append(buf, static_cast<size_t>(n));
    }
    EXPECT_EQ(got, sent);
}

TEST_F(SerialPortTest, FlushInQDiscardsWhatWasReceived) {
    ASSERT_TRUE(pty.send("old data\r"));
    ASSERT_TRUE(waitFor([] { return GetInQLen(kPort) == 9; }, 2.0));
    ASSERT_EQ(FlushInQ(kPort), 0);
    EXPECT_EQ(GetInQLen(kPort), 0);
    ASSERT_TRUE(pty.send("new\r"));
    EXPECT_EQ(readPiece(), "new");
    EXPECT_EQ(FlushOutQ(kPort), 0);
}

// --- receive events ------------------------------------------------------------------------

struct EventLog {
    std::mutex mutex;
    std::vector<int> events;
    std::vector<std::string> pieces;
    std::set<std::thread::id> threads;
    std::atomic<int> calls{0};
    bool readPieces = false;

    static void callback(int port, int events, void* data) {
        auto* self = static_cast<EventLog*>(data);
        std::lock_guard lock(self->mutex);
        self->events.push_back(events);
        self->threads.insert(std::this_thread::get_id());
        if (self->readPieces && (events & COM_EVENT_CHAR) != 0) {
            while (GetInQLen(port) > 0) {
                char buf[101];
                int n = ComRdTerm(port, buf, 100, '\r');
                if (n < 0) break;
                self->pieces.emplace_back(buf, static_cast<size_t>(n));
            }
        }
        ++self->calls;
    }
};

TEST_F(SerialPortTest, TheEventCharacterRaisesTheCallbackOnTheReaderThread) {
    EventLog log;
    log.readPieces = true;
    ASSERT_EQ(InstallComCallback(kPort, COM_EVENT_CHAR, 0, '\r', &EventLog::callback, &log), 0);
    ASSERT_TRUE(pty.send("D00001,00002\r"));
    ASSERT_TRUE(waitFor([&] { return log.calls.load() >= 1; }, 2.0));
    std::lock_guard lock(log.mutex);
    EXPECT_EQ(log.events.front(), COM_EVENT_CHAR);
    ASSERT_EQ(log.pieces.size(), 1u);
    EXPECT_EQ(log.pieces[0], "D00001,00002");
    EXPECT_EQ(log.threads.count(std::this_thread::get_id()), 0u) << "ran on the caller's thread";
}

TEST_F(SerialPortTest, BytesWithoutTheEventCharacterRaiseNoEvent) {
    EventLog log;
    ASSERT_EQ(InstallComCallback(kPort, COM_EVENT_CHAR, 0, '\r', &EventLog::callback, &log), 0);
    ASSERT_TRUE(pty.send("no line end"));
    ASSERT_TRUE(waitFor([] { return GetInQLen(kPort) == 11; }, 2.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(log.calls.load(), 0);
}

TEST_F(SerialPortTest, TheNotifyCountRaisesItsEventOnceEnoughBytesWait) {
    EventLog log;
    ASSERT_EQ(
        InstallComCallback(kPort, COM_EVENT_NOTIFY_COUNT, 10, '\r', &EventLog::callback, &log), 0);
    ASSERT_TRUE(pty.send("12345"));
    ASSERT_TRUE(waitFor([] { return GetInQLen(kPort) == 5; }, 2.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(log.calls.load(), 0);
    ASSERT_TRUE(pty.send("67890\r"));
    ASSERT_TRUE(waitFor([&] { return log.calls.load() >= 1; }, 2.0));
    std::lock_guard lock(log.mutex);
    EXPECT_EQ(log.events.front(), COM_EVENT_NOTIFY_COUNT) << "the CR is not in the event mask";
}

TEST_F(SerialPortTest, EventsThatArriveTogetherComeInOneCall) {
    EventLog log;
    ASSERT_EQ(InstallComCallback(kPort, COM_EVENT_CHAR | COM_EVENT_NOTIFY_COUNT, 4, '\r',
                                 &EventLog::callback, &log),
              0);
    ASSERT_TRUE(pty.send("ABCDEFG\r"));
    ASSERT_TRUE(waitFor([&] { return log.calls.load() >= 1; }, 2.0));
    std::lock_guard lock(log.mutex);
    EXPECT_EQ(log.events.front(), COM_EVENT_CHAR | COM_EVENT_NOTIFY_COUNT);
}

TEST_F(SerialPortTest, AHangUpIsReportedOnceAndNothingSpins) {
    EventLog log;
    ASSERT_EQ(InstallComCallback(kPort, COM_EVENT_CHAR | COM_EVENT_LINE_ERROR, 0, '\r',
                                 &EventLog::callback, &log),
              0);
    pty.hangUp();
    ASSERT_TRUE(waitFor([&] { return log.calls.load() >= 1; }, 2.0));

    const std::clock_t cpuBefore = std::clock();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double cpu = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    EXPECT_LT(cpu, 0.2) << "a thread keeps running after the hang-up";
    {
        std::lock_guard lock(log.mutex);
        ASSERT_EQ(log.events.size(), 1u);
        EXPECT_EQ(log.events[0], COM_EVENT_LINE_ERROR);
    }
    EXPECT_LT(ComWrt(kPort, "V:0\n", 4), 0);
    char buf[10];
    EXPECT_EQ(ComRdTerm(kPort, buf, 10, '\r'), COM_ERR_DEVICE_GONE);
    EXPECT_EQ(CloseCom(kPort), 0);
}

TEST_F(SerialPortTest, AHangUpAfterDataComesAsItsOwnEventAfterTheData) {
    EventLog log;
    log.readPieces = true;
    ASSERT_EQ(InstallComCallback(kPort, COM_EVENT_CHAR | COM_EVENT_LINE_ERROR, 0, '\r',
                                 &EventLog::callback, &log),
              0);
    ASSERT_TRUE(pty.send("LAST\r"));
    // The kernel discards what a hung-up pseudo-terminal still holds, so unplug only after the
    // bytes have been taken in.
    ASSERT_TRUE(waitFor([&] { return log.calls.load() >= 1; }, 2.0));
    pty.hangUp();
    ASSERT_TRUE(waitFor([&] { return log.calls.load() >= 2; }, 2.0));
    std::lock_guard lock(log.mutex);
    ASSERT_EQ(log.pieces.size(), 1u);
    EXPECT_EQ(log.pieces[0], "LAST");
    EXPECT_EQ(log.events.back(), COM_EVENT_LINE_ERROR);
}

// --- closing --------------------------------------------------------------------------------

TEST_F(SerialPortTest, ClosingAndReopeningThePortWorks) {
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(CloseCom(kPort), 0);
        EXPECT_EQ(CloseCom(kPort), COM_ERR_NOT_OPEN);
        EXPECT_EQ(GetInQLen(kPort), COM_ERR_NOT_OPEN);
        ASSERT_EQ(openPort(kPort, pty.slavePath()), 0) << GetComOpenErrorText();
        const std::string line = "round " + std::to_string(round) + "\r";
        ASSERT_TRUE(pty.send(line));
        EXPECT_EQ(readPiece(), line.substr(0, line.size() - 1));
        ASSERT_EQ(ComWrt(kPort, "ok\n", 3), 3);
        EXPECT_EQ(pty.receive(3, 2.0), "ok\n");
    }
}

TEST_F(SerialPortTest, NoCallbackRunsAfterCloseComReturns) {
    std::atomic<int> calls{0};
    std::atomic<bool> closed{false};
    std::atomic<int> lateCalls{0};
    struct Data {
        std::atomic<int>* calls;
        std::atomic<bool>* closed;
        std::atomic<int>* late;
    } data{&calls, &closed, &lateCalls};
    auto cb = [](int port, int, void* d) {
        auto* x = static_cast<Data*>(d);
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // a slow callback
        char buf[64];
        while (GetInQLen(port) > 0 && ComRdTerm(port, buf, 63, '\r') >= 0) {
        }
        if (x->closed->load()) ++*x->late;
        ++*x->calls;
    };
    ASSERT_EQ(InstallComCallback(kPort, COM_EVENT_CHAR, 0, '\r', cb, &data), 0);
    std::atomic<bool> stop{false};
    std::thread device([&] {
        while (!stop) {
            pty.send("D1\r");
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    ASSERT_TRUE(waitFor([&] { return calls.load() >= 3; }, 3.0));
    ASSERT_EQ(CloseCom(kPort), 0);
    closed = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stop = true;
    device.join();
    EXPECT_EQ(lateCalls.load(), 0);
}

TEST_F(SerialPortTest, CloseComFromInsideTheCallbackDoesNotDeadlock) {
    static std::atomic<int> result{1};
    static std::atomic<bool> done{false};
    result = 1;
    done = false;
    auto cb = [](int port, int, void*) {
        result = CloseCom(port);
        done = true;
    };
    ASSERT_EQ(InstallComCallback(kPort, COM_EVENT_CHAR, 0, '\r', cb, nullptr), 0);
    ASSERT_TRUE(pty.send("bye\r"));
    ASSERT_TRUE(waitFor([] { return done.load(); }, 3.0));
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(GetInQLen(kPort), COM_ERR_NOT_OPEN);
    ASSERT_EQ(openPort(kPort, pty.slavePath()), 0)
        << "the device stayed locked: " << GetComOpenErrorText();
}

TEST_F(SerialPortTest, CloseComWakesACallbackThatWaitsForItsTerminator) {
    ASSERT_EQ(SetComTime(kPort, 30.0), 0);
    static std::atomic<bool> inRead{false};
    static std::atomic<int> readResult{0};
    inRead = false;
    readResult = 0;
    auto cb = [](int port, int, void*) {
        char buf[101];
        ComRdTerm(port, buf, 100, '\r'); // takes "A"
        inRead = true;
        readResult = ComRdTerm(port, buf, 100, '\r'); // waits for a CR that never comes
    };
    ASSERT_EQ(InstallComCallback(kPort, COM_EVENT_CHAR, 0, '\r', cb, nullptr), 0);
    ASSERT_TRUE(pty.send("A\r"));
    ASSERT_TRUE(waitFor([] { return inRead.load(); }, 3.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = Clock::now();
    EXPECT_EQ(CloseCom(kPort), 0);
    EXPECT_LT(secondsSince(start), 2.0);
    EXPECT_EQ(readResult.load(), COM_ERR_NOT_OPEN);
}

TEST_F(SerialPortTest, CloseComWakesAReaderOnAnotherThread) {
    ASSERT_EQ(SetComTime(kPort, 30.0), 0);
    std::atomic<int> result{1};
    std::thread reader([&] {
        char buf[10];
        result = ComRdTerm(kPort, buf, 10, '\r');
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = Clock::now();
    EXPECT_EQ(CloseCom(kPort), 0);
    reader.join();
    EXPECT_LT(secondsSince(start), 2.0);
    EXPECT_EQ(result.load(), COM_ERR_NOT_OPEN);
}

// --- failures to open -------------------------------------------------------------------------

TEST_F(SerialPortTest, ABusyDeviceIsRefusedWithItsReason) {
    EXPECT_EQ(openPort(kPort + 1, pty.slavePath()), COM_ERR_BUSY);
    EXPECT_NE(GetComOpenErrorText().find("busy"), std::string::npos) << GetComOpenErrorText();
    EXPECT_NE(GetComOpenErrorText().find("COM42"), std::string::npos) << GetComOpenErrorText();
    EXPECT_EQ(openPort(kPort, pty.slavePath()), COM_ERR_BUSY) << "the same number twice";
    EXPECT_EQ(GetInQLen(kPort + 1), COM_ERR_NOT_OPEN);
}

struct OpenFailure {
    const char* name;
    int port;
    const char* device;
    long baud;
    int parity, dataBits, stopBits;
    int expected;
    const char* reasonPart;
};

class SerialOpenFailureTest : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(SerialOpenFailureTest, FailsWithTheRightCodeAndReason) {
    const OpenFailure& f = GetParam();
    EXPECT_EQ(OpenComConfig(f.port, f.device, f.baud, f.parity, f.dataBits, f.stopBits, 512, 512),
              f.expected);
    EXPECT_NE(GetComOpenErrorText().find(f.reasonPart), std::string::npos) << GetComOpenErrorText();
    EXPECT_STRNE(GetRS232ErrorString(f.expected), "Unknown serial error");
    EXPECT_EQ(GetInQLen(f.port), COM_ERR_NOT_OPEN);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SerialOpenFailureTest,
    ::testing::Values(
        OpenFailure{"MissingDevice", 43, "/dev/corvane-no-such-device", 57600, 0, 8, 1,
                    COM_ERR_NO_DEVICE, "not present"},
        OpenFailure{"NotATerminal", 43, "/dev/null", 57600, 0, 8, 1, COM_ERR_NOT_SERIAL,
                    "not a serial device"},
        OpenFailure{"PortZero", 0, "/dev/null", 57600, 0, 8, 1, COM_ERR_INVALID_PORT, "COM0"},
        OpenFailure{"PortTooHigh", 1000, "/dev/null", 57600, 0, 8, 1, COM_ERR_INVALID_PORT,
                    "port numbers"},
        OpenFailure{"BadParity", 43, "/dev/null", 57600, 9, 8, 1, COM_ERR_BAD_PARAMETER, "line"},
        OpenFailure{"BadDataBits", 43, "/dev/null", 57600, 0, 9, 1, COM_ERR_BAD_PARAMETER, "line"},
        OpenFailure{"BadStopBits", 43, "/dev/null", 57600, 0, 8, 3, COM_ERR_BAD_PARAMETER, "line"}),
    [](const ::testing::TestParamInfo<OpenFailure>& p) { return std::string(p.param.name); });

TEST(SerialPortBaud, AnUnsupportedBaudRateIsRefused) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    EXPECT_EQ(OpenComConfig(44, pty.slavePath(), 12345, 0, 8, 1, 512, 512), COM_ERR_BAD_PARAMETER);
    EXPECT_NE(GetComOpenErrorText().find("baud"), std::string::npos);
    ASSERT_EQ(OpenComConfig(44, pty.slavePath(), 115200, COM_PARITY_EVEN, 7, 2, 512, 512), 0);
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.heldSlave(), &tio), 0);
    // A pseudo-terminal keeps 8 data bits without parity whatever is asked; speed and stop
    // bits show that the settings were applied.
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200));
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(GetComOpenErrorText(), "") << "a successful open clears the reason";
    CloseCom(44);
}

TEST(SerialPortClosed, OperationsOnAPortThatIsNotOpenFail) {
    char buf[4];
    EXPECT_EQ(ComWrt(45, "x", 1), COM_ERR_NOT_OPEN);
    EXPECT_EQ(ComRdTerm(45, buf, 4, '\r'), COM_ERR_NOT_OPEN);
    EXPECT_EQ(GetInQLen(45), COM_ERR_NOT_OPEN);
    EXPECT_EQ(GetOutQLen(45), COM_ERR_NOT_OPEN);
    EXPECT_EQ(FlushInQ(45), COM_ERR_NOT_OPEN);
    EXPECT_EQ(FlushOutQ(45), COM_ERR_NOT_OPEN);
    EXPECT_EQ(SetXMode(45, 0), COM_ERR_NOT_OPEN);
    EXPECT_EQ(SetComTime(45, 1.0), COM_ERR_NOT_OPEN);
    EXPECT_EQ(InstallComCallback(45, COM_EVENT_CHAR, 0, 13, nullptr, nullptr), COM_ERR_NOT_OPEN);
    EXPECT_EQ(CloseCom(45), COM_ERR_NOT_OPEN);
}

} // namespace
