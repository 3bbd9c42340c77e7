#include "runtime/system.h"
#include "shell/this_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ThisPath : public ::testing::Test {
  protected:
    void TearDown() override { SetExecutablePathForTesting(""); }
};

struct PathCase {
    const char* executable;
    const char* folder;
};

std::ostream& operator<<(std::ostream& out, const PathCase& c) {
    return out << '"' << c.executable << '"';
}

class ThisPathCases : public ThisPath, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ThisPathCases, CutsAtTheLastSeparator) {
    SetExecutablePathForTesting(GetParam().executable);
    char buffer[260];
    ASSERT_EQ(GetThisPath(buffer, sizeof buffer), buffer);
    EXPECT_STREQ(buffer, GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Separators, ThisPathCases,
                         ::testing::Values(PathCase{"/opt/corvane/CorvaneControl", "/opt/corvane"},
                                           PathCase{"C:\\Prog\\run.exe", "C:\\Prog"},
                                           PathCase{"/opt/mixed\\dir/run", "/opt/mixed\\dir"},
                                           PathCase{"/opt/a\\run", "/opt/a"},
                                           // The first character is never the cut.
                                           PathCase{"/run", "/run"},
                                           PathCase{"\\run.exe", "\\run.exe"},
                                           // No separator at all: the path as it stands.
                                           PathCase{"run", "run"},
                                           // A separator at the very end is the last one.
                                           PathCase{"/opt/dir/", "/opt/dir"},
                                           PathCase{"ab/", "ab"}));

TEST_F(ThisPath, RefusesSmallOrNullBuffers) {
    SetExecutablePathForTesting("/opt/corvane/run");
    std::vector<char> small(259, 'x');
    EXPECT_EQ(GetThisPath(small.data(), 259), nullptr);
    EXPECT_EQ(small[0], 'x'); // untouched
    EXPECT_EQ(GetThisPath(nullptr, 500), nullptr);
    EXPECT_EQ(GetThisPath(small.data(), -1), nullptr);
    std::vector<char> exact(260);
    EXPECT_EQ(GetThisPath(exact.data(), 260), exact.data());
    EXPECT_STREQ(exact.data(), "/opt/corvane");
}

TEST_F(ThisPath, PathThatDoesNotFitGivesNull) {
    std::string longPath = "/" + std::string(300, 'd') + "/run";
    SetExecutablePathForTesting(longPath);
    std::vector<char> buffer(260);
    EXPECT_EQ(GetThisPath(buffer.data(), 260), nullptr);
    std::vector<char> large(600);
    ASSERT_EQ(GetThisPath(large.data(), 600), large.data());
    EXPECT_EQ(std::string(large.data()), "/" + std::string(300, 'd'));
}

TEST_F(ThisPath, RealExecutableGivesTheTestProgramsFolder) {
    char buffer[1024];
    ASSERT_EQ(GetThisPath(buffer, sizeof buffer), buffer);
    std::string executable = GetExecutablePath();
    ASSERT_FALSE(executable.empty());
    EXPECT_EQ(executable.substr(0, executable.rfind('/')), buffer);
    EXPECT_NE(executable.find("test_this_path"), std::string::npos);
}

} // namespace
