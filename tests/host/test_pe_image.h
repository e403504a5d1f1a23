// Builds small PE32/PE32+ images with an RT_RCDATA resource tree, for tests of the PE image module and
// of payload-tool. Offsets of interest are kept so that tests can corrupt them. The image carries what a
// writer must keep right: a checksum (not the true one), the initialised-data characteristic on its
// resource section with SizeOfInitializedData to match, and a COFF symbol table behind the section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/byte_order.h"

inline constexpr size_t kTestPeOffset = 0x40;
inline constexpr uint32_t kTestPeCheckSum = 0x1234;

// A one-section image whose resource tree holds `resources` under RT_RCDATA, or the type `type` (a name
// starting with '#' becomes a numbered entry), laid out the way resource compilers do.
struct TestPe {
    std::string image;
    size_t optionalHeader = 0;
    size_t directories = 0; // the first data directory
    size_t sectionHeader = 0;
    size_t typeEntry = 0;      // in the file
    size_t firstNameEntry = 0; // in the file
    size_t firstDataEntry = 0; // in the file
    size_t symbolTable = 0;    // in the file: one symbol, then a string table of four bytes

    explicit TestPe(const std::vector<std::pair<std::string, std::string>>& resources, uint16_t magic = 0x10B,
                    uint32_t type = 10);
};

// The bytes of a version resource (VS_VERSIONINFO) with the fixed file version `high`.`low`
// (dwFileVersionMS, dwFileVersionLS), as resource compilers write its fixed part.
std::string TestVersionResource(uint32_t high, uint32_t low);
