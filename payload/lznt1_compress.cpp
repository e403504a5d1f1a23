#include "payload/lznt1_compress.h"

#include "payload/lznt1_decompress.h"
#include "payload/lznt1_parallel.h"

int32_t Lznt1Compress(std::string source, std::string& target) {
    if (target.empty()) target.assign(source.size(), '\0');
    const Lznt1Result result =
        Lznt1EncodeParallel(reinterpret_cast<const uint8_t*>(source.data()), source.size(),
                            reinterpret_cast<uint8_t*>(target.data()), target.size(), Lznt1Parse::Optimal, 0);
    return Lznt1KeepProduced(target,
                             result.status == Lznt1Status::Ok ? static_cast<uint32_t>(result.size) : 0);
}
