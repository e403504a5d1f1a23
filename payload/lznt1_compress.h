// Whole-buffer LZNT1 compression for the packing side only (the launcher reads payloads and never links
// this): the project's own encoder with its optimal parse, on all processors, on every platform, so that
// payload-tool and payload-tool.exe pack the same bytes. The platform's compression service is not
// asked: Wine's stores every chunk uncompressed. Decompression is payload/lznt1_decompress.h.
#pragma once

#include <cstdint>
#include <string>

// Encodes `source` into `target`, whose length is the capacity (an empty
// `target` gets the source length, which input that does not shrink cannot fit: pass a larger one for
// such input). Returns the stream length that `target` holds afterwards, 0 when the stream did not fit.
// Never reads or writes outside the buffers.
int32_t Lznt1Compress(std::string source, std::string& target);
