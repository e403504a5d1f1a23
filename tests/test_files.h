// The file reader shared by the test programs of both builds: the bytes of the file at `path`, or
// nullopt when it cannot be opened.
#pragma once

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

inline std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
