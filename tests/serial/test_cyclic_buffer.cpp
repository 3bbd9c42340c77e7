// The reply buffer: positions, wrap-around, the one free place, refusals, and the ordering
// between one producer and one consumer thread.
#include "serial/cyclic_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

class CyclicBufferTest : public ::testing::Test {
  protected:
    void SetUp() override { CYCLIC_InitBuffer(&buf); }

    void placeBoth(int32_t place) {
        buf.readPos.store(place);
        buf.writePos.store(place);
    }
    int write(const std::string& s) { return CYCLIC_Write(&buf, s.data(), s.size()); }
    int write(size_t n, char fill = 'x') { return write(std::string(n, fill)); }

    CyclicBuffer buf;
    char out[256] = {};
};

TEST_F(CyclicBufferTest, ReadingAnEmptyBufferReturnsZeroAndChangesNothing) {
    placeBoth(123);
    EXPECT_EQ(CYCLIC_Read(&buf, out, 255), 0);
    EXPECT_EQ(buf.readPos.load(), 123);
    EXPECT_EQ(buf.writePos.load(), 123);
}

TEST_F(CyclicBufferTest, InitFillsTheOperationsAndResetsPositions) {
    placeBoth(50);
    CYCLIC_InitBuffer(&buf);
    EXPECT_EQ(buf.readPos.load(), 0);
    EXPECT_EQ(buf.writePos.load(), 0);
    ASSERT_NE(buf.write, nullptr);
    ASSERT_NE(buf.read, nullptr);
    EXPECT_EQ(buf.write(&buf, "AB", 2), 1);
    EXPECT_EQ(buf.read(&buf, out, 255), 2);
    EXPECT_STREQ(out, "AB");
}

TEST_F(CyclicBufferTest, TheReplyBufferIsPreparedByItsInit) {
    CyclicBuffer* reply = CYCLIC_ReplyBuffer();
    reply->writePos.store(7);
    CYCLICK_BUF_INIT_POINTERS();
    EXPECT_EQ(reply->writePos.load(), 0);
    EXPECT_EQ(reply->readPos.load(), 0);
    EXPECT_EQ(reply->read, &CYCLIC_Read);
    EXPECT_EQ(reply->write, &CYCLIC_Write);
    EXPECT_EQ(CYCLIC_ReplyBuffer(), reply);
}

// Which pieces fit: one place always stays free, wherever the unread pieces lie.
struct FitCase {
    const char* name;
    int32_t start;
    std::vector<size_t> lengths;
    std::vector<int> results;
};

class CyclicFitTest : public CyclicBufferTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(CyclicFitTest, StoresOrRefusesEachPiece) {
    const FitCase& c = GetParam();
    placeBoth(c.start);
    for (size_t i = 0; i < c.lengths.size(); ++i) {
        const int32_t before = buf.writePos.load();
        const int result = write(c.lengths[i]);
        EXPECT_EQ(result, c.results[i]) << "piece " << i << " of " << c.lengths[i] << " bytes";
        if (result < 0) {
            EXPECT_EQ(buf.writePos.load(), before) << "a refused piece moved the position";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CyclicFitTest,
    ::testing::Values(FitCase{"Full255Then142", 0, {255, 142}, {1, 1}},
                      FitCase{"Full255Then143", 0, {255, 143}, {1, -1}},
                      FitCase{"NothingAfter255And142", 0, {255, 142, 0}, {1, 1, -1}},
                      FitCase{"WrappedFull255Then143", 390, {255, 143, 142}, {1, -1, 1}},
                      FitCase{"StartAtLastPlace", 399, {255, 142, 0}, {1, 1, -1}},
                      FitCase{"ManySmallUntilFull", 0, std::vector<size_t>(40, 9),
                              [] {
                                  std::vector<int> r(40, 1); // 39 pieces of 10 places fill 390
                                  r[39] = -1;                // the 40th would leave no free place
                                  return r;
                              }()}),
    [](const ::testing::TestParamInfo<FitCase>& p) { return std::string(p.param.name); });

TEST_F(CyclicBufferTest, APieceWrapsAroundTheEndOfTheRing) {
    placeBoth(390);
    std::string piece;
    for (int i = 0; i < 20; ++i)
        piece += static_cast<char>('a' + i);
    ASSERT_EQ(write(piece), 1);
    EXPECT_EQ(buf.ring[390], 20);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(buf.ring[391 + i], 'a' + i);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(buf.ring[i], 'a' + 9 + i);
    EXPECT_EQ(buf.writePos.load(), 11);

    EXPECT_EQ(CYCLIC_Read(&buf, out, 255), 20);
    EXPECT_EQ(std::string(out), piece);
    EXPECT_EQ(buf.readPos.load(), 11);
    EXPECT_EQ(CYCLIC_Read(&buf, out, 255), 0);
}

TEST_F(CyclicBufferTest, APieceEndingAtTheLastPlaceLeavesTheBufferEmptyAndTheNextStartsAtZero) {
    placeBoth(390);
    ASSERT_EQ(write("123456789"), 1); // length byte at 390, data 391..399
    EXPECT_EQ(buf.writePos.load(), CYCLIC_BUF_SIZE);
    EXPECT_EQ(CYCLIC_Read(&buf, out, 255), 9);
    EXPECT_STREQ(out, "123456789");
    EXPECT_EQ(buf.readPos.load(), CYCLIC_BUF_SIZE);
    EXPECT_EQ(CYCLIC_Read(&buf, out, 255), 0) << "400 and 0 are the same place: empty";

    ASSERT_EQ(write("AB"), 1);
    EXPECT_EQ(buf.ring[0], 2);
    EXPECT_EQ(buf.ring[1], 'A');
    EXPECT_EQ(buf.writePos.load(), 3);
    EXPECT_EQ(CYCLIC_Read(&buf, out, 255), 2);
    EXPECT_STREQ(out, "AB");
}

TEST_F(CyclicBufferTest, AnEmptyPieceTakesOnePlaceAndIsRemovedByARead) {
    ASSERT_EQ(CYCLIC_Write(&buf, nullptr, 0), 1);
    ASSERT_EQ(write("Z"), 1);
    EXPECT_EQ(buf.writePos.load(), 3);
    out[0] = 'q';
    EXPECT_EQ(CYCLIC_Read(&buf, out, 255), 0);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(buf.readPos.load(), 1);
    EXPECT_EQ(CYCLIC_Read(&buf, out, 255), 1);
    EXPECT_STREQ(out, "Z");
}

TEST_F(CyclicBufferTest, ATooSmallCapacityOrNoDestinationLeavesThePieceInPlace) {
    ASSERT_EQ(write(20, 'k'), 1);
    EXPECT_EQ(CYCLIC_Read(&buf, out, 10), -20);
    EXPECT_EQ(CYCLIC_Read(&buf, nullptr, 255), -20);
    EXPECT_EQ(buf.readPos.load(), 0);
    EXPECT_EQ(CYCLIC_Read(&buf, out, 20), 20);
    EXPECT_EQ(std::string(out), std::string(20, 'k'));
}

TEST_F(CyclicBufferTest, TheLengthIsTakenModulo256) {
    std::string data(300, 'm');
    data[0] = 'A';
    ASSERT_EQ(write(data), 1);
    EXPECT_EQ(CYCLIC_Read(&buf, out, 255), 300 - 256);
    EXPECT_EQ(out[0], 'A');
    EXPECT_EQ(std::string(out).size(), 44u);
}

TEST_F(CyclicBufferTest, PiecesComeOutInOrderWithTheirBytesUnchanged) {
    const std::vector<std::string> pieces = {"D01234,00567", "", std::string("\x01\x7f\x00z", 4),
                                             "B0,1"};
    for (const auto& p : pieces)
        ASSERT_EQ(write(p), 1);
    for (const auto& p : pieces) {
        ASSERT_EQ(CYCLIC_Read(&buf, out, 255), static_cast<int>(p.size()));
        EXPECT_EQ(std::string(out, p.size()), p);
        EXPECT_EQ(out[p.size()], '\0');
    }
    EXPECT_EQ(CYCLIC_Read(&buf, out, 255), 0);
}

// One producer and one consumer thread without a lock: every piece arrives whole and in order.
TEST(CyclicBufferThreads, OneProducerAndOneConsumerSeeEveryPieceInOrder) {
    static CyclicBuffer shared;
    CYCLIC_InitBuffer(&shared);
    constexpr int kPieces = 20000;

    auto pieceFor = [](int i) {
        std::string s = std::to_string(i) + ":";
        s.append(static_cast<size_t>(i % 90), static_cast<char>('A' + i % 26));
        return s;
    };

    std::thread producer([&] {
        for (int i = 0; i < kPieces; ++i) {
            const std::string p = pieceFor(i);
            while (CYCLIC_Write(&shared, p.data(), p.size()) != 1)
                std::this_thread::yield();
        }
    });

    char piece[256];
    int next = 0;
    int mismatches = 0;
    while (next < kPieces) {
        const int n = CYCLIC_Read(&shared, piece, 255);
        if (n <= 0) {
            ASSERT_EQ(n, 0);
            std::this_thread::yield();
            continue;
        }
        if (std::string(piece, n) != pieceFor(next)) ++mismatches;
        ++next;
    }
    producer.join();
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(CYCLIC_Read(&shared, piece, 255), 0);
}

} // namespace
