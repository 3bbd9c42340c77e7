#include "runtime/system.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Waits (generously) until the file exists and holds a complete last line.
std::string waitForReport(const std::string& path) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string text = TempFolder::read(path);
        if (text.find("end\n") != std::string::npos) return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

void writeScript(const std::string& path, const std::string& body) {
    TempFolder::write(path, "#!/bin/sh\n" + body);
    ASSERT_EQ(chmod(path.c_str(), 0755), 0);
}

TEST(Launch, StartsADetachedProgramInItsOwnSession) {
    TempFolder folder;
    std::string report = folder.file("report");
    std::string script = folder.file("run.sh");
    // Process id, session id (field 6 of /proc/<pid>/stat) and what the open descriptors name.
    writeScript(script,
                "{ echo $$; cut -d' ' -f6 /proc/$$/stat; for f in /proc/$$/fd/*; do readlink $f; "
                "done | tr '\\n' ' '; echo; echo end; } > '" +
                    report + ".tmp'\nmv '" + report + ".tmp' '" + report + "'\n");

    // A descriptor of ours that is not close-on-exec must not reach the program.
    std::string marker = folder.file("leak-marker");
    TempFolder::write(marker, "");
    int leaked = open(marker.c_str(), O_RDONLY);
    ASSERT_GE(leaked, 3);
    ASSERT_EQ(LaunchExecutable(script), 0);
    std::string text = waitForReport(report);
    close(leaked);
    ASSERT_FALSE(text.empty()) << "the program did not run";

    std::istringstream lines(text);
    std::string pid, session, fds;
    std::getline(lines, pid);
    std::getline(lines, session);
    std::getline(lines, fds);
    EXPECT_EQ(pid, session) << "not a session leader";
    EXPECT_NE(std::stoi(pid), getpid());
    EXPECT_NE(fds.find('/'), std::string::npos) << fds; // the list was read
    EXPECT_EQ(fds.find("leak-marker"), std::string::npos) << fds;

    // Reaped when it ends: no zombie is left behind.
    std::string proc = "/proc/" + pid;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::filesystem::exists(proc) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(std::filesystem::exists(proc));
}

TEST(Launch, ReportsWhatCannotBeStarted) {
    TempFolder folder;
    EXPECT_LT(LaunchExecutable(folder.file("Tools/Reflash")), 0);
    EXPECT_LT(LaunchExecutable(""), 0);
    std::string notExecutable = folder.file("plain.txt");
    TempFolder::write(notExecutable, "text");
    EXPECT_LT(LaunchExecutable(notExecutable), 0);
    EXPECT_LT(LaunchExecutable(folder.path()), 0); // a folder
}

// Runs with PATH pointing at a folder of our choosing.
class DefaultViewer : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
    }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }
    std::string savedPath_;
};

TEST_F(DefaultViewer, HandsTheDocumentToXdgOpen) {
    TempFolder folder;
    std::string report = folder.file("opened");
    writeScript(folder.file("xdg-open"), "printf '%s\\n' \"$1\" > '" + report +
                                             ".tmp'\necho end >> '" + report + ".tmp'\nmv '" +
                                             report + ".tmp' '" + report + "'\n");
    setenv("PATH", (folder.path() + ":/usr/bin:/bin").c_str(), 1);
    const std::string document = "/opt/corvane/Guide Software.pdf";
    ASSERT_EQ(OpenDocumentInDefaultViewer(document, 0), 0);
    EXPECT_EQ(waitForReport(report), document + "\nend\n");
}

TEST_F(DefaultViewer, FailsWithoutXdgOpen) {
    TempFolder folder;
    setenv("PATH", folder.path().c_str(), 1);
    EXPECT_LT(OpenDocumentInDefaultViewer("https://example.com", 0), 0);
    EXPECT_LT(OpenDocumentInDefaultViewer("", 0), 0);
}

} // namespace
