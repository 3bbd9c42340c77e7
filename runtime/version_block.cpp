// Reads the version block of an executable file: the ELF section headers lead to the section
// "corvane_version", whose record must carry the signature. Every offset and size taken from
// the file is checked against the file's length before it is used.
#include "runtime/version_block.h"
#include "runtime/system.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class File {
  public:
    explicit File(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~File() {
        if (fd_ >= 0) close(fd_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool isRegular() {
        struct stat info {};
        if (fd_ < 0 || fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return false;
        size_ = static_cast<std::uint64_t>(info.st_size);
        return true;
    }
    // Reads exactly `length` bytes at `offset`, or fails when they are not all in the file.
    bool readAt(std::uint64_t offset, void* out, std::uint64_t length) const {
        if (offset > size_ || length > size_ - offset) return false;
        auto* bytes = static_cast<char*>(out);
        while (length > 0) {
            ssize_t n = pread(fd_, bytes, length, static_cast<off_t>(offset));
            if (n <= 0) return false;
            bytes += n;
            offset += static_cast<std::uint64_t>(n);
            length -= static_cast<std::uint64_t>(n);
        }
        return true;
    }
    std::uint64_t size() const { return size_; }

  private:
    int fd_;
    std::uint64_t size_ = 0;
};

bool readSectionHeaders(const File& file, std::vector<Elf64_Shdr>* sections, unsigned* namesIndex) {
    Elf64_Ehdr header{};
    if (!file.readAt(0, &header, sizeof header)) return false;
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return false;
    // The record is read in the machine's byte order; a 32-bit or foreign-endian file is not ours.
    if (header.e_ident[EI_CLASS] != ELFCLASS64) return false;
    const unsigned char order =
        std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
    if (header.e_ident[EI_DATA] != order) return false;
    if (header.e_shoff == 0 || header.e_shentsize != sizeof(Elf64_Shdr)) return false;

    Elf64_Shdr first{};
    if (!file.readAt(header.e_shoff, &first, sizeof first)) return false;
    // Files with very many sections keep the count and the names' index in the first header.
    std::uint64_t count = header.e_shnum != 0 ? header.e_shnum : first.sh_size;
    *namesIndex = header.e_shstrndx != SHN_XINDEX ? header.e_shstrndx : first.sh_link;
    if (count == 0 || count > file.size() / sizeof(Elf64_Shdr) || *namesIndex >= count)
        return false;
    sections->resize(count);
    return file.readAt(header.e_shoff, sections->data(), count * sizeof(Elf64_Shdr));
}

} // namespace

bool ReadFileVersion(const std::string& executablePath, FileVersion* version) {
    if (version == nullptr) return false;
    File file(executablePath);
    if (!file.isRegular()) return false;

    std::vector<Elf64_Shdr> sections;
    unsigned namesIndex = 0;
    if (!readSectionHeaders(file, &sections, &namesIndex)) return false;

    const Elf64_Shdr& namesHeader = sections[namesIndex];
    if (namesHeader.sh_type != SHT_STRTAB || namesHeader.sh_size > file.size()) return false;
    std::vector<char> names(namesHeader.sh_size);
    if (!file.readAt(namesHeader.sh_offset, names.data(), names.size())) return false;

    const std::size_t wantedLength = std::strlen(kCorvaneVersionSection);
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_name >= names.size()) continue;
        const char* name = names.data() + section.sh_name;
        std::size_t room = names.size() - section.sh_name;
        if (strnlen(name, room) != wantedLength ||
            std::memcmp(name, kCorvaneVersionSection, wantedLength) != 0)
            continue;
        CorvaneVersionRecord record{};
        if (section.sh_type == SHT_NOBITS || section.sh_size < sizeof record) return false;
        if (!file.readAt(section.sh_offset, &record, sizeof record)) return false;
        if (record.signature != kCorvaneVersionSignature) return false;
        version->major = record.mostSignificant >> 16;
        version->minor = record.mostSignificant & 0xFFFFu;
        version->patch = record.leastSignificant >> 16;
        version->build = record.leastSignificant & 0xFFFFu;
        return true;
    }
    return false;
}
