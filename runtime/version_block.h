// The version block of an executable: one record in the ELF section "corvane_version", read
// back from the file by ReadFileVersion (runtime/system.h). A program's main.cpp defines it once:
//   CORVANE_DEFINE_VERSION_BLOCK(CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR,
//                                CORVANE_VERSION_PATCH, CORVANE_VERSION_TWEAK)
#pragma once

#include <cstdint>

struct CorvaneVersionRecord {
    std::uint32_t signature;        // kCorvaneVersionSignature
    std::uint32_t mostSignificant;  // major << 16 | minor
    std::uint32_t leastSignificant; // patch << 16 | build
};

inline constexpr std::uint32_t kCorvaneVersionSignature = 0xFEEF04BDu;
inline constexpr const char* kCorvaneVersionSection = "corvane_version";

// "used" keeps the compiler from dropping the unreferenced record, "retain" keeps the linker's
// section garbage collection from dropping its section.
#define CORVANE_DEFINE_VERSION_BLOCK(major, minor, patch, build)                                   \
    static_assert((major) >= 0 && (major) <= 0xFFFF && (minor) >= 0 && (minor) <= 0xFFFF &&        \
                      (patch) >= 0 && (patch) <= 0xFFFF && (build) >= 0 && (build) <= 0xFFFF,      \
                  "each version part must fit in 16 bits");                                        \
    extern "C" __attribute__((used, retain, section("corvane_version"), aligned(4)))               \
    const CorvaneVersionRecord corvane_version_block = {                                           \
        kCorvaneVersionSignature,                                                                  \
        (static_cast<std::uint32_t>(major) << 16) | static_cast<std::uint32_t>(minor),             \
        (static_cast<std::uint32_t>(patch) << 16) | static_cast<std::uint32_t>(build)}
