// The compression service that the decompressing wrapper (payload/lznt1_decompress.h) calls.
//
// In the Windows build these are ntdll's own functions. In the host build the same three signatures
// are served by the host's stand-in for ntdll, compression_service_host.cpp, over the project's portable
// codec (payload/lznt1_decoder.h, payload/lznt1_encoder.h), so the wrapper is one piece of code in both
// builds. Only COMPRESSION_FORMAT_LZNT1 is supported by the host service. The packer compresses with
// the project's own encoder on every platform (payload/lznt1_compress.h), not with this service.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
using USHORT = uint16_t;
using ULONG = uint32_t;
using UCHAR = uint8_t;
using PUCHAR = UCHAR*;
using PULONG = ULONG*;
using PVOID = void*;
#define NTAPI
#endif

// NTSTATUS is a 32-bit signed value on every platform.
using NtStatus = int32_t;

#ifndef COMPRESSION_FORMAT_LZNT1
#define COMPRESSION_FORMAT_LZNT1 0x0002
#endif
#ifndef COMPRESSION_ENGINE_MAXIMUM
#define COMPRESSION_ENGINE_MAXIMUM 0x0100
#endif

// Status values that callers look at; the numbers are the platform's.
inline constexpr NtStatus kStatusSuccess = 0;
inline constexpr NtStatus kStatusBadCompressionBuffer = static_cast<NtStatus>(0xC0000242);
inline constexpr NtStatus kStatusBufferTooSmall = static_cast<NtStatus>(0xC0000023);
inline constexpr NtStatus kStatusNotSupported = static_cast<NtStatus>(0xC00000BB);
inline constexpr NtStatus kStatusInvalidParameter = static_cast<NtStatus>(0xC000000D);

extern "C" {
// Decodes an LZNT1 stream into out[0..outCapacity); *finalSize receives the number of bytes produced.
// Returns kStatusBadCompressionBuffer for a malformed or empty stream, and, as Windows does, for one
// whose output the capacity cuts inside a back-reference (finalSize is then not meaningful).
NtStatus NTAPI RtlDecompressBuffer(USHORT format, PUCHAR out, ULONG outCapacity, PUCHAR in, ULONG inSize,
                                   PULONG finalSize);

// Encodes in[0..inSize) as LZNT1 into out[0..outCapacity); *finalSize receives the stream length.
// Returns kStatusBufferTooSmall when the stream does not fit.
NtStatus NTAPI RtlCompressBuffer(USHORT formatAndEngine, PUCHAR in, ULONG inSize, PUCHAR out,
                                 ULONG outCapacity, ULONG chunkSize, PULONG finalSize, PVOID workspace);

// Sizes of the scratch areas that RtlCompressBuffer (first) and fragment decoding (second) need.
NtStatus NTAPI RtlGetCompressionWorkSpaceSize(USHORT formatAndEngine, PULONG bufferWorkspaceSize,
                                              PULONG fragmentWorkspaceSize);
}
