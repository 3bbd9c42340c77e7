// Test helper: a temporary program folder that stands in for an installed program: the shipped
// panel files (links to the build's program folder), an executable named "corvane-control"
// (a link to this test program, which carries the version block) and, when written, a
// CRV_Config.ini. The runtime takes the folder as the program folder while the helper lives.
#pragma once

#include "runtime/system.h"
#include "runtime/userint.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

class ProgramFolder {
  public:
    ProgramFolder() {
        char pattern[] = "/tmp/corvane-program-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return;
        path_ = pattern;
        namespace fs = std::filesystem;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(CORVANE_BIN_DIR, ec)) {
            std::string ext = entry.path().extension().string();
            for (char& c : ext)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (ext == ".uir")
                fs::create_symlink(entry.path(), path_ + "/" + entry.path().filename().string(),
                                   ec);
        }
        realExe_ = GetExecutablePath();
        fs::create_symlink(realExe_, file("corvane-control"), ec);
        SetExecutablePathForTesting(file("corvane-control"));
    }
    ~ProgramFolder() {
        SetExecutablePathForTesting("");
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string config() const { return file("CRV_Config.ini"); }

    void writeConfig(const std::string& content) const { write(config(), content); }
    void writeFile(const std::string& name, const std::string& content) const {
        write(file(name), content);
    }
    std::string readConfig() const {
        std::ifstream in(config(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    static void write(const std::string& path, const std::string& content) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
    }

    std::string path_;
    std::string realExe_;
};
