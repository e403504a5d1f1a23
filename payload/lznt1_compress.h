// Whole-buffer LZNT1 compression around the compression service (payload/compression_service.h), for
// the packing side only: the launcher reads payloads and never links this. Decompression is
// payload/lznt1.h.
#pragma once

#include <cstdint>
#include <string>

// Encodes `source` with the maximum engine into `target`, whose length is the capacity (an empty
// `target` gets the source length, which input that does not shrink cannot fit: pass a larger one for
// such input). Returns the stream length that `target` holds afterwards, 0 when the stream did not fit.
// Never reads or writes outside the buffers.
int32_t Lznt1Compress(std::string source, std::string& target);
