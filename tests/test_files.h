// File helpers shared by the test programs of both builds.
//
// ReadWholeFile  the bytes of the file at `path`, or nullopt when it cannot be opened.
// ToWindowsPath  a host path as a Windows program under Wine sees it: "/x/y" becomes "Z:\x\y" (Wine shows
//                the host's root as drive Z:); other paths only get backslashes.
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

inline std::string ToWindowsPath(std::string path) {
    if (!path.empty() && path.front() == '/') path = "Z:" + path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}
