// Builds small PE32/PE32+ images with an RT_RCDATA resource tree, for tests of the PE reader and of
// payload-tool. Offsets of interest are kept so that tests can corrupt them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

void PutLe16(std::string& image, size_t offset, uint32_t value);
void PutLe32(std::string& image, size_t offset, uint32_t value);

inline constexpr size_t kTestPeOffset = 0x40;

// A one-section image whose resource tree holds `resources` under RT_RCDATA (a name starting with '#'
// becomes a numbered entry), laid out the way resource compilers do.
struct TestPe {
    std::string image;
    size_t optionalHeader = 0;
    size_t sectionHeader = 0;
    size_t typeEntry = 0;      // in the file
    size_t firstNameEntry = 0; // in the file
    size_t firstDataEntry = 0; // in the file

    explicit TestPe(const std::vector<std::pair<std::string, std::string>>& resources,
                    uint16_t magic = 0x10B);
};
