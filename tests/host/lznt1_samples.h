// Inputs shared by the LZNT1 tests of both builds: the published worked example and generators for
// data that compresses well, badly or not at all.
#pragma once

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>

#include "payload/lznt1_encoder.h"

// The worked example of the format's documentation: a 142-byte text with its final NUL, and the
// 59-byte single-chunk stream that the platform's standard engine makes of it.
inline const std::string kExampleText = std::string("F# F# G A A G F# E D D E F# F# E E F# F# G A A G F# E D "
                                                    "D E F# E D D E E F# D E F# G F# D E F# G F# E D "
                                                    "E A F# F# G A A G F# E D D E F# E D D",
                                                    141) +
                                        std::string(1, '\0');

inline const std::string kExampleStream = std::string(
    "\x38\xb0\x88\x46\x23\x20\x00\x20\x47\x20\x41\x00\x10\xa2\x47\x01\xa0\x45\x20\x44\x00\x08\x45\x01\x50\x79"
    "\x00\xc0\x45\x20\x05\x24\x13\x88\x05\xb4\x02\x4a\x44\xef\x03\x58\x02\x8c\x09\x16\x01\x48\x45\x00\xbe\x00"
    "\x9e\x00\x04\x01\x18\x90\x00",
    59);

// A chunk that ends in an empty flag byte, as other encoders end a chunk whose tokens fill their last
// flag group: 8 literals; a match of 8 bytes from 8 back and 7 literals; then a flag byte and nothing.
// Our encoder never writes one, so only this crafted stream shows that such a chunk is accepted.
inline const std::string kEmptyFlagByteText = "abcdefghabcdefghijklmno";
inline const std::string kEmptyFlagByteStream = std::string("\x13\xB0"
                                                            "\x00"
                                                            "abcdefgh"
                                                            "\x01\x05\x70"
                                                            "ijklmno"
                                                            "\x00",
                                                            22);

inline std::string RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (auto& value : bytes) value = static_cast<char>(random());
    return bytes;
}

// Something like an executable: runs of zeros, repeated records with small changes, text, noise.
inline std::string StructuredBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes;
    while (bytes.size() < size) {
        switch (random() % 4) {
        case 0:
            bytes.append(random() % 300, '\0');
            break;
        case 1: {
            const size_t from = bytes.empty() ? 0 : random() % bytes.size();
            const size_t length = 3 + random() % 40;
            for (size_t i = 0; i < length && !bytes.empty(); ++i)
                bytes.push_back(bytes[from + i % (bytes.size() - from)]);
            break;
        }
        case 2:
            bytes.append("GetProcAddress\0LoadLibraryA\0", 28);
            break;
        default:
            for (int i = random() % 20; i > 0; --i) bytes.push_back(static_cast<char>(random()));
        }
    }
    bytes.resize(size);
    return bytes;
}

// `data` encoded by the project's codec into a buffer that always fits.
inline std::string EncodeWithOwnCodec(const std::string& data, Lznt1Parse parse) {
    std::string stream(Lznt1EncodeBound(data.size()), '\0');
    const Lznt1Result result =
        Lznt1EncodeBuffer(reinterpret_cast<const uint8_t*>(data.data()), data.size(),
                          reinterpret_cast<uint8_t*>(stream.data()), stream.size(), parse);
    EXPECT_EQ(result.status, Lznt1Status::Ok);
    stream.resize(result.size);
    return stream;
}
