#include "runtime/system.h"
#include "runtime/version_block.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <elf.h>
#include <filesystem>
#include <string>

// This test program carries a version block of its own and reads it back from its file.
CORVANE_DEFINE_VERSION_BLOCK(2, 65535, 17, 4242);

namespace {

class VersionBlock : public ::testing::Test {
  protected:
    void SetUp() override {
        self_ = TempFolder::read(GetExecutablePath());
        ASSERT_GT(self_.size(), sizeof(Elf64_Ehdr));
    }
    // A copy of this program's file, changed by `edit`.
    std::string copy(const std::string& content) {
        std::string path = folder_.file("copy" + std::to_string(++copies_));
        TempFolder::write(path, content);
        return path;
    }
    template <typename T> static void patch(std::string& content, std::size_t offset, T value) {
        std::memcpy(content.data() + offset, &value, sizeof value);
    }
    static bool read(const std::string& path) {
        FileVersion version;
        return ReadFileVersion(path, &version);
    }

    std::string self_;
    TempFolder folder_;
    int copies_ = 0;
};

TEST_F(VersionBlock, ReadsItsOwnBlock) {
    FileVersion version;
    ASSERT_TRUE(ReadFileVersion(GetExecutablePath(), &version));
    EXPECT_EQ(version.major, 2u);
    EXPECT_EQ(version.minor, 65535u);
    EXPECT_EQ(version.patch, 17u);
    EXPECT_EQ(version.build, 4242u);
    // The record itself, as the macro laid it out.
    EXPECT_EQ(corvane_version_block.signature, 0xFEEF04BDu);
    EXPECT_EQ(corvane_version_block.mostSignificant, (2u << 16) | 65535u);
    EXPECT_EQ(corvane_version_block.leastSignificant, (17u << 16) | 4242u);
}

TEST_F(VersionBlock, AnUnchangedCopyReadsTheSame) {
    FileVersion version;
    ASSERT_TRUE(ReadFileVersion(copy(self_), &version));
    EXPECT_EQ(version.minor, 65535u);
    EXPECT_EQ(version.build, 4242u);
}

TEST_F(VersionBlock, StrippedProgramKeepsItsBlock) {
    if (std::system("command -v strip >/dev/null 2>&1") != 0) GTEST_SKIP() << "no strip";
    std::string path = copy(self_);
    ASSERT_EQ(std::system(("strip '" + path + "'").c_str()), 0);
    FileVersion version;
    ASSERT_TRUE(ReadFileVersion(path, &version));
    EXPECT_EQ(version.patch, 17u);
}

TEST_F(VersionBlock, RefusesWhatIsNotAVersionedElfFile) {
    FileVersion version;
    EXPECT_FALSE(ReadFileVersion(folder_.file("missing"), &version));
    EXPECT_FALSE(ReadFileVersion(folder_.path(), &version)); // a folder
    EXPECT_FALSE(ReadFileVersion("", &version));
    EXPECT_FALSE(ReadFileVersion(GetExecutablePath(), nullptr));
    EXPECT_FALSE(read(copy("")));
    EXPECT_FALSE(read(copy("[Section]\nKey=Arvel7.uir\n")));
    EXPECT_FALSE(read(copy(std::string("\x7f"
                                       "ELF",
                                       4)))); // magic alone
    // A program without the section.
    if (std::filesystem::exists("/bin/sh")) {
        EXPECT_FALSE(read("/bin/sh"));
    }
}

TEST_F(VersionBlock, RefusesTruncatedFiles) {
    EXPECT_FALSE(read(copy(self_.substr(0, 40))));                 // inside the file header
    EXPECT_FALSE(read(copy(self_.substr(0, sizeof(Elf64_Ehdr))))); // no section headers
    EXPECT_FALSE(read(copy(self_.substr(0, self_.size() - 8))));   // section headers cut short
}

TEST_F(VersionBlock, RefusesBrokenHeaders) {
    std::string elf32 = self_;
    elf32[EI_CLASS] = ELFCLASS32;
    EXPECT_FALSE(read(copy(elf32)));

    std::string bigEndian = self_;
    bigEndian[EI_DATA] = ELFDATA2MSB;
    EXPECT_FALSE(read(copy(bigEndian)));

    std::string farHeaders = self_;
    patch<std::uint64_t>(farHeaders, offsetof(Elf64_Ehdr, e_shoff), 0xFFFFFFFFFFFFFF00ull);
    EXPECT_FALSE(read(copy(farHeaders)));

    std::string manySections = self_;
    patch<std::uint16_t>(manySections, offsetof(Elf64_Ehdr, e_shnum), 0xFFFF);
    EXPECT_FALSE(read(copy(manySections)));

    std::string badNames = self_;
    Elf64_Ehdr header;
    std::memcpy(&header, self_.data(), sizeof header);
    patch<std::uint16_t>(badNames, offsetof(Elf64_Ehdr, e_shstrndx), header.e_shnum + 3);
    EXPECT_FALSE(read(copy(badNames)));

    std::string badEntrySize = self_;
    patch<std::uint16_t>(badEntrySize, offsetof(Elf64_Ehdr, e_shentsize), 32);
    EXPECT_FALSE(read(copy(badEntrySize)));
}

TEST_F(VersionBlock, RefusesABadSignature) {
    const CorvaneVersionRecord record = corvane_version_block;
    const std::string bytes(reinterpret_cast<const char*>(&record), sizeof record);
    std::string changed = self_;
    std::size_t at = changed.find(bytes);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(changed.find(bytes, at + 1), std::string::npos);
    changed[at] ^= 0x01;
    EXPECT_FALSE(read(copy(changed)));
}

TEST_F(VersionBlock, RefusesAFileWithoutTheSection) {
    // Renaming the section leaves a well-formed file that lacks it.
    const std::string name("\0corvane_version\0", 17);
    std::string renamed = self_;
    int renames = 0;
    for (std::size_t at = renamed.find(name); at != std::string::npos;
         at = renamed.find(name, at + 1)) {
        renamed[at + 15] = 'X';
        ++renames;
    }
    ASSERT_GT(renames, 0);
    EXPECT_FALSE(read(copy(renamed)));
}

} // namespace
