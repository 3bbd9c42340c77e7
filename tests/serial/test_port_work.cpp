// The port record on a real pseudo-terminal: the line buffer, the bytes on the wire, the
// receive callback's pieces in the reply buffer, the handshake, hang-up, close and reopen.
#include "runtime/serial.h"
#include "runtime/serial_map.h"
#include "runtime/system.h"
#include "serial/cyclic_buffer.h"
#include "serial/port_work.h"
#include "serial/status_write.h"
#include "tests/serial/pty_pair.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using testpty::PtyPair;
using testpty::TempDir;
using testpty::waitFor;
using Clock = std::chrono::steady_clock;

constexpr int kPort = 7;

class PortWorkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        SetSerialMapConfigPath(dir.file("CRV_Config.ini"));
        SetSerialDetectorForTesting([] { return std::vector<DetectedSerialPort>{}; });
        ASSERT_EQ(AssignSerialPort(pty.slavePath(), kPort), kPort);
        CYCLICK_BUF_INIT_POINTERS();
        PortWork_INIT_POINTERS();
        record = PortWork_Record();
    }
    void TearDown() override {
        record->close(record);
        UninitializeStatusWrite();
        SetSerialMapConfigPath("");
        SetSerialDetectorForTesting(nullptr);
    }

    void open() { ASSERT_EQ(record->init(record, kPort), 1) << GetComOpenErrorText(); }

    // The next piece of the reply buffer, waiting up to `seconds` for one.
    std::string nextPiece(double seconds = 2.0) {
        char piece[256];
        int n = 0;
        waitFor([&] { return (n = CYCLIC_Read(CYCLIC_ReplyBuffer(), piece, 255)) > 0; }, seconds);
        return n > 0 ? std::string(piece, static_cast<size_t>(n)) : "<none>";
    }
    bool replyBufferEmpty() {
        CyclicBuffer* b = CYCLIC_ReplyBuffer();
        return b->readPos.load() % CYCLIC_BUF_SIZE == b->writePos.load() % CYCLIC_BUF_SIZE;
    }

    TempDir dir;
    PtyPair pty;
    PortRecord* record = nullptr;
};

TEST_F(PortWorkTest, InitPointersFillsTheRecordAndCreatesTheHandshake) {
    EXPECT_EQ(record->portNumber.load(), -1);
    EXPECT_NE(record->lineBuffer, nullptr);
    EXPECT_EQ(record->capacity, 14);
    EXPECT_EQ(record->init, &PortWork_Init);
    EXPECT_EQ(record->write, &PortWork_Write);
    EXPECT_EQ(record->close, &PortWork_Close);
    EXPECT_EQ(SetWaitCom(WAIT_MODE_IF_FREE), 1);
}

// The line buffer grows when a text is at least capacity - 3 characters long, to length + 8.
TEST_F(PortWorkTest, TheLineBufferGrowsByItsRule) {
    struct Step {
        std::string text;
        int32_t capacity;
    };
    const std::vector<Step> steps = {
        {std::string(10, 'a'), 14}, // fits the first buffer of 15 bytes
        {std::string(11, 'b'), 19}, // 11 >= 14 - 3: 11 + 8
        {std::string(15, 'c'), 19}, // 15 < 16
        {std::string(16, 'd'), 24},
        {"D\r\n", 24}, // ends in LF: used unchanged, no buffer needed
        {"", 24},
        {std::string(3, 'e'), 24}, // never shrinks
    };
    for (const Step& s : steps) {
        EXPECT_EQ(record->write(record, s.text.c_str(), WAIT_MODE_NONE), 1) << "no port is open";
        EXPECT_EQ(record->capacity, s.capacity) << "after a text of " << s.text.size();
        if (s.text.empty() || s.text.back() != '\n') {
            EXPECT_EQ(std::string(record->lineBuffer.get()), s.text + "\n");
        }
    }
}

TEST_F(PortWorkTest, WithNoPortOpenAWaitingWriteSendsNothingButStillClaims) {
    EXPECT_EQ(record->write(record, "V:0", WAIT_MODE_ANSWER), 1);
    EXPECT_EQ(GetStatusWrite().waiting, 1);
    EXPECT_EQ(record->write(record, "D\r\n", WAIT_MODE_IF_FREE), -1);
    open();
    EXPECT_EQ(record->write(record, "D\r\n", WAIT_MODE_IF_FREE), -1) << "still owed";
    EXPECT_EQ(pty.receive(1, 0.2), "") << "a refused write sent bytes";
}

TEST_F(PortWorkTest, TheBytesOnTheWire) {
    open();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"V:0", "V:0\n"},
        {"D\r\n", "D\r\n"},
        {"G:40,0", "G:40,0\n"},
        {"", "\n"},
        {"X\n", "X\n"},
        {"E:15", "E:15\n"},
        {std::string(60, 'P'), std::string(60, 'P') + "\n"},
    };
    for (const auto& [text, wire] : cases) {
        EXPECT_EQ(record->write(record, text.c_str(), WAIT_MODE_NONE),
                  static_cast<int>(wire.size()));
        EXPECT_EQ(pty.receive(wire.size(), 2.0), wire) << "for " << text;
    }
    EXPECT_EQ(pty.receive(1, 0.1), "") << "extra bytes";
}

TEST_F(PortWorkTest, APortThatCannotOpenLeavesTheRecordClosed) {
    open();
    EXPECT_EQ(record->init(record, 77), 0) << "COM77 has no device";
    EXPECT_EQ(record->portNumber.load(), -1);
    EXPECT_EQ(GetInQLen(kPort), COM_ERR_NOT_OPEN) << "the old port is closed";
    EXPECT_EQ(record->write(record, "V:0", WAIT_MODE_NONE), 1);
}

TEST_F(PortWorkTest, OpeningTheOpenPortAgainReopensItWithEmptyQueues) {
    open();
    ASSERT_TRUE(pty.send("stale"));
    ASSERT_TRUE(waitFor([] { return GetInQLen(kPort) == 5; }, 2.0));
    open();
    EXPECT_EQ(record->portNumber.load(), kPort);
    EXPECT_EQ(GetInQLen(kPort), 0);
    ASSERT_TRUE(pty.send("fresh\r"));
    EXPECT_EQ(nextPiece(), "fresh");
}

TEST_F(PortWorkTest, AReplyArrivesInTheReplyBufferWithoutItsCR) {
    open();
    ASSERT_TRUE(pty.send("D01234,00567\r"));
    EXPECT_EQ(nextPiece(), "D01234,00567");
    ASSERT_TRUE(pty.send("V_1_4\r"));
    EXPECT_EQ(nextPiece(), "V_1_4");
    EXPECT_TRUE(replyBufferEmpty());
}

// Many devices end their replies with CR LF: the LF makes no piece of its own, does not lead the
// next piece and does not hold the receive side up.
TEST_F(PortWorkTest, RepliesEndedByCRLFGiveThePiecesAlone) {
    open();
    ASSERT_EQ(SetComTime(kPort, 3.0), 0); // a read waiting for a CR after the LF would take 3 s
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    const double sent = MonotonicSeconds();
    ASSERT_TRUE(pty.send("D01234,00567\r\nV_1_4\r\n"));
    ASSERT_TRUE(waitFor([] { return GetStatusWrite().waiting == 0; }, 2.0));
    EXPECT_LT(MonotonicSeconds() - sent, 1.5) << "the receive side waited for a CR after the LF";
    EXPECT_EQ(nextPiece(), "D01234,00567");
    EXPECT_EQ(nextPiece(), "V_1_4");
    ASSERT_TRUE(pty.send("\nN_2\n\r"));
    EXPECT_EQ(nextPiece(), "N_2");
    EXPECT_TRUE(replyBufferEmpty());
}

TEST_F(PortWorkTest, BitSevenIsClearedOnTheWayIn) {
    open();
    ASSERT_TRUE(pty.send("\xC4"
                         "01234,\xB0\xB0\xB5\xB6\xB7\r"));
    EXPECT_EQ(nextPiece(), "D01234,00567");
}

TEST_F(PortWorkTest, TwoPiecesInOneReadAreStoredInOrderBeforeTheHandshakeIsFreed) {
    open();
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    ASSERT_TRUE(pty.send("A1\rB2\r"));
    ASSERT_TRUE(waitFor([] { return GetStatusWrite().waiting == 0; }, 2.0));
    char piece[256];
    ASSERT_EQ(CYCLIC_Read(CYCLIC_ReplyBuffer(), piece, 255), 2) << "freed before the first piece";
    EXPECT_STREQ(piece, "A1");
    ASSERT_EQ(CYCLIC_Read(CYCLIC_ReplyBuffer(), piece, 255), 2) << "freed before the second piece";
    EXPECT_STREQ(piece, "B2");
}

TEST_F(PortWorkTest, APieceIsAtMostOneHundredBytes) {
    open();
    ASSERT_TRUE(pty.send(std::string(150, 'x') + "\r"));
    EXPECT_EQ(nextPiece(), std::string(100, 'x'));
    EXPECT_EQ(nextPiece(), std::string(50, 'x'));
}

TEST_F(PortWorkTest, APieceThatArrivesInPartsIsStoredWhole) {
    open();
    ASSERT_TRUE(pty.send("D012"));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_TRUE(pty.send("34,00567\rD2"));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_TRUE(pty.send("\r"));
    EXPECT_EQ(nextPiece(), "D01234,00567");
    EXPECT_EQ(nextPiece(), "D2");
}

TEST_F(PortWorkTest, PiecesThatDoNotFitTheReplyBufferAreDroppedAndLaterOnesArrive) {
    open();
    std::string burst;
    for (int i = 0; i < 60; ++i)
        burst += "D0000" + std::to_string(i % 10) + ",00000\r"; // 60 x 13
    ASSERT_TRUE(pty.send(burst));
    ASSERT_TRUE(waitFor([] { return GetInQLen(kPort) == 0; }, 2.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    int stored = 0;
    char piece[256];
    while (CYCLIC_Read(CYCLIC_ReplyBuffer(), piece, 255) > 0)
        ++stored;
    EXPECT_GT(stored, 20);
    EXPECT_LT(stored, 60);
    ASSERT_TRUE(pty.send("after\r"));
    EXPECT_EQ(nextPiece(), "after");
}

TEST_F(PortWorkTest, AnAnswerFreesTheNextWaitingWrite) {
    open();
    ASSERT_EQ(record->write(record, "V:0", WAIT_MODE_ANSWER), 4);
    EXPECT_EQ(pty.receive(4, 2.0), "V:0\n");
    EXPECT_EQ(record->write(record, "D\r\n", WAIT_MODE_IF_FREE), -1) << "the answer is owed";
    ASSERT_TRUE(pty.send("V_1_1\r"));
    const auto start = Clock::now();
    ASSERT_EQ(record->write(record, "V:0", WAIT_MODE_ANSWER), 4);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 0.8);
    EXPECT_EQ(nextPiece(), "V_1_1");
}

TEST_F(PortWorkTest, WritesFromThreeThreadsAtOnceArriveAsWholeLines) {
    open();
    constexpr int kLines = 40;
    auto lineOf = [](int t, int i) {
        return std::string(1, static_cast<char>('A' + t)) + ":" + std::to_string(i) + "," +
               std::string(static_cast<size_t>(5 + (i * 7 + t * 13) % 60),
                           static_cast<char>('a' + t));
    };
    std::set<std::string> expected;
    size_t total = 0;
    for (int t = 0; t < 3; ++t) {
        for (int i = 0; i < kLines; ++i) {
            expected.insert(lineOf(t, i));
            total += lineOf(t, i).size() + 1;
        }
    }
    std::string received;
    std::thread device([&] { received = pty.receive(total, 20.0); });
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int t = 0; t < 3; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i) {
                const std::string l = lineOf(t, i);
                if (record->write(record, l.c_str(), WAIT_MODE_NONE) !=
                    static_cast<int>(l.size() + 1)) {
                    ++failures;
                }
            }
        });
    }
    for (auto& w : writers)
        w.join();
    device.join();
    EXPECT_EQ(failures.load(), 0);
    std::istringstream in(received);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        EXPECT_EQ(expected.count(line), 1u) << "mixed or broken line: " << line;
        ++count;
    }
    EXPECT_EQ(count, 3 * kLines);
}

TEST_F(PortWorkTest, AHangUpFreesTheHandshakeAndTheProgramGoesOn) {
    open();
    ASSERT_EQ(SetWaitCom(WAIT_MODE_ANSWER), 1);
    pty.hangUp();
    ASSERT_TRUE(waitFor([] { return GetStatusWrite().waiting == 0; }, 2.0))
        << "the line-status error did not free the handshake";
    EXPECT_LT(record->write(record, "V:0", WAIT_MODE_NONE), 0);
    EXPECT_TRUE(replyBufferEmpty());
    EXPECT_EQ(record->close(record), 1);
    EXPECT_EQ(record->portNumber.load(), -1);
}

TEST_F(PortWorkTest, CloseReleasesTheLineBufferAndTheNextOpenWorks) {
    open();
    EXPECT_EQ(record->close(record), 1);
    EXPECT_EQ(record->portNumber.load(), -1);
    EXPECT_EQ(record->capacity, 0);
    EXPECT_EQ(record->lineBuffer, nullptr);
    EXPECT_EQ(record->close(record), 1) << "closing twice";

    open();
    EXPECT_EQ(record->capacity, 14) << "the open creates the line buffer again";
    ASSERT_TRUE(pty.send("B0,1\r"));
    EXPECT_EQ(nextPiece(), "B0,1");
    EXPECT_EQ(record->write(record, "O:0", WAIT_MODE_NONE), 4);
    EXPECT_EQ(pty.receive(4, 2.0), "O:0\n");
}

TEST_F(PortWorkTest, AWriteAfterCloseSendsNothingAndBuildsANewLineBuffer) {
    record->close(record);
    EXPECT_EQ(record->write(record, "I:", WAIT_MODE_NONE), 1);
    EXPECT_EQ(record->capacity, 10) << "text length 2 + 8";
    EXPECT_STREQ(record->lineBuffer.get(), "I:\n");
}

// The notify-count case reads one piece up to LF; a line error in the same call then empties
// the queue.
TEST_F(PortWorkTest, TheNotifyCountCaseTakesOnePieceAndALineErrorEmptiesTheRest) {
    ASSERT_EQ(OpenComConfig(kPort, "", 57600, 0, 8, 1, 512, 512), 0);
    SetStatusWrite(1, 0.0);
    ASSERT_TRUE(pty.send("ab\xE3\ndef"));
    ASSERT_TRUE(waitFor([] { return GetInQLen(kPort) == 7; }, 2.0));
    ComCallback(kPort, COM_EVENT_NOTIFY_COUNT | COM_EVENT_LINE_ERROR, nullptr);
    EXPECT_EQ(nextPiece(0.1), "abc");
    EXPECT_EQ(GetInQLen(kPort), 0);
    EXPECT_EQ(GetStatusWrite().waiting, 0);
    CloseCom(kPort);
}

TEST_F(PortWorkTest, WithBothEventsOnlyTheEventCharacterCaseRuns) {
    ASSERT_EQ(OpenComConfig(kPort, "", 57600, 0, 8, 1, 512, 512), 0);
    ASSERT_TRUE(pty.send("one\rtwo\r"));
    ASSERT_TRUE(waitFor([] { return GetInQLen(kPort) == 8; }, 2.0));
    ComCallback(kPort, COM_EVENT_CHAR | COM_EVENT_NOTIFY_COUNT | COM_EVENT_LINE_ERROR, nullptr);
    EXPECT_EQ(nextPiece(0.1), "one");
    EXPECT_EQ(nextPiece(0.1), "two");
    EXPECT_TRUE(replyBufferEmpty()) << "the notify case read again";
    CloseCom(kPort);
}

TEST(DelBit8, ClearsBitSevenAndTerminates) {
    struct Case {
        std::string in;
        int length;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"\xC4"
         "01",
         3, "D01"},
        {"\x80\xFF\x7F", 3, std::string("\x00\x7F\x7F", 3)},
        {"abc", 0, ""},
        {"\xC1\xC2zz", 2, "AB"}, // only the first length bytes; a zero after them
    };
    for (const Case& c : cases) {
        char buf[16];
        std::memset(buf, '#', sizeof buf);
        std::memcpy(buf, c.in.data(), c.in.size());
        DelBit8(buf, c.length);
        EXPECT_EQ(std::string(buf, static_cast<size_t>(c.length)), c.out);
        EXPECT_EQ(buf[c.length], '\0');
    }
}

} // namespace
