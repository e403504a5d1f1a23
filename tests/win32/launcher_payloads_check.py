#!/usr/bin/env python3
"""Decodes the five packed tools of the built launcher independently of the project's own code.

usage: launcher_payloads_check.py EXE EPOCH NAME=FILE...

Reads the RT_RCDATA resources with pefile, decodes each LZNT1 stream with the small decoder below
(written from the published format, not from the project's codec) and compares the result and the
trailer's find-data record with the tool file that was packed: NAME is the recorded file name
(e.g. Marvolt.exe), FILE the packed file, EPOCH the build's SOURCE_DATE_EPOCH: the recorded time is
EPOCH for a stand-in, else the file's own but no later. The reserved fields hold the CRC-32 (by zlib) and
"CR32"; the TOOLVERSION resource of the same name the file's fixed version as pefile reads it (or nothing).
"""
import os
import struct
import sys
import zlib

try:
    import pefile
except ImportError:
    sys.exit("launcher_payloads_check: python3-pefile is missing (scripts/setup.sh installs it)")

RT_RCDATA = 10
TRAILER_SIZE = 322
CHUNK_SIZE = 4096
FILE_ATTRIBUTE_ARCHIVE = 0x20
PAYLOAD_SUFFIX = "_BIN_WFD_NTC"
SECONDS_1601_TO_1970 = 11_644_473_600
CHECKSUM_MARKER = struct.unpack("<I", b"CR32")[0]
STANDIN_MARKER = "FUNKELIS_STAND_IN"  # standin/standin_marker.h


class DecodeError(Exception):
    pass


def decode_chunk(chunk):
    out = bytearray()
    i = 0
    while i < len(chunk):
        flags = chunk[i]
        i += 1
        for bit in range(8):
            if i >= len(chunk):
                break
            if not flags >> bit & 1:
                out.append(chunk[i])
                i += 1
                continue
            if i + 2 > len(chunk):
                raise DecodeError("truncated back-reference")
            token = chunk[i] | chunk[i + 1] << 8
            i += 2
            # The split between offset and length bits depends on how far into the chunk we are.
            length_mask, offset_shift, position = 0xFFF, 12, len(out) - 1
            while position >= 0x10:
                length_mask >>= 1
                offset_shift -= 1
                position >>= 1
            offset = (token >> offset_shift) + 1
            length = (token & length_mask) + 3
            if offset > len(out):
                raise DecodeError("back-reference before the chunk start")
            for _ in range(length):
                out.append(out[-offset])
    if len(out) > CHUNK_SIZE:
        raise DecodeError("chunk decodes to more than 4096 bytes")
    return bytes(out)


def decode_lznt1(stream):
    """Returns the decoded bytes, the decoded size of each chunk and whether a zero header ended it."""
    out, sizes, pos = bytearray(), [], 0
    while pos < len(stream):
        if pos + 2 > len(stream):
            raise DecodeError("truncated chunk header")
        header = stream[pos] | stream[pos + 1] << 8
        pos += 2
        if header == 0:
            return bytes(out), sizes, True
        size = (header & 0xFFF) + 1
        chunk = stream[pos:pos + size]
        pos += size
        if len(chunk) != size:
            raise DecodeError("truncated chunk")
        data = decode_chunk(chunk) if header & 0x8000 else chunk
        out += data
        sizes.append(len(data))
    return bytes(out), sizes, False


def resources_of_type(pe, type_id):
    found = {}
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for type_entry in directory.entries if directory is not None else []:
        if type_entry.id != type_id and str(type_entry.name) != str(type_id):
            continue
        for name_entry in type_entry.directory.entries:
            for lang_entry in name_entry.directory.entries:
                data = lang_entry.data.struct
                found[str(name_entry.name)] = pe.get_data(data.OffsetToData, data.Size)
    return found


def version_record(path):
    """The 8-byte version record of the file at path, or b"" when pefile finds no fixed file version."""
    try:
        info = pefile.PE(path).VS_FIXEDFILEINFO[0]
    except (pefile.PEFormatError, AttributeError, IndexError):
        return b""
    return struct.pack("<II", info.FileVersionMS, info.FileVersionLS)


def is_stand_in(path):
    try:
        return STANDIN_MARKER in resources_of_type(pefile.PE(path), RT_RCDATA)
    except pefile.PEFormatError:
        return False


def check_payload(name, payload, expected_files, epoch):
    """Returns (recorded file name or None, list of problems)."""
    problems = []
    if name != name.upper() or not name.endswith(PAYLOAD_SUFFIX):
        problems.append("name is not an upper-case compressed-payload name")
    if len(payload) <= TRAILER_SIZE:
        return None, problems + [f"only {len(payload)} bytes"]
    stream, trailer = payload[:-TRAILER_SIZE], payload[-TRAILER_SIZE:]
    tag, attributes, created, accessed, written, size_high, size_low, reserved0, reserved1 = struct.unpack_from(
        "<4sIQQQIIII", trailer)
    file_name_field, short_name_field = trailer[48:308], trailer[308:322]
    file_name = file_name_field.split(b"\0", 1)[0].decode("ascii", "replace")
    if tag != b"WFD ":
        problems.append(f"trailer tag {tag!r}")
    if attributes != FILE_ATTRIBUTE_ARCHIVE:
        problems.append(f"attributes {attributes:#x}, not FILE_ATTRIBUTE_ARCHIVE")
    if size_high != 0:
        problems.append("size high word is not 0")
    if file_name_field != file_name.encode() + bytes(260 - len(file_name)):
        problems.append("cFileName is not the bare name followed by zero bytes")
    if short_name_field != bytes(14):
        problems.append("cAlternateFileName is not all zero")
    if file_name not in expected_files:
        return None, problems + [f"records unexpected file name {file_name!r}"]
    with open(expected_files[file_name], "rb") as packed:
        original = packed.read()
    own_time = os.stat(expected_files[file_name]).st_mtime_ns // 100 + SECONDS_1601_TO_1970 * 10_000_000
    epoch_time = (epoch + SECONDS_1601_TO_1970) * 10_000_000
    expected_time = epoch_time if is_stand_in(expected_files[file_name]) else min(own_time, epoch_time)
    if not created == accessed == written == expected_time:
        problems.append(f"times {created}, {accessed}, {written}; expected all {expected_time}")
    try:
        decoded, chunk_sizes, terminated = decode_lznt1(stream)
    except DecodeError as error:
        return file_name, problems + [f"LZNT1 stream does not decode: {error}"]
    if size_low != len(original):
        problems.append(f"recorded size {size_low}, file has {len(original)} bytes")
    if (reserved0, reserved1) != (zlib.crc32(original), CHECKSUM_MARKER):
        problems.append(f"reserved fields {reserved0:#010x}, {reserved1:#010x}: not the file's CRC-32 and marker")
    if decoded != original:
        problems.append(f"decodes to {len(decoded)} bytes that differ from the packed file")
    if any(size != CHUNK_SIZE for size in chunk_sizes[:-1]):
        problems.append("a chunk other than the last stands for fewer than 4096 bytes")
    if terminated:
        problems.append("stream carries a terminating zero header")
    return file_name, problems


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__.strip().splitlines()[2])
    exe, epoch = sys.argv[1], int(sys.argv[2])
    expected_files = dict(argument.split("=", 1) for argument in sys.argv[3:])
    try:
        pe = pefile.PE(exe)
    except (OSError, pefile.PEFormatError) as error:
        sys.exit(f"launcher_payloads_check: {exe}: {error}")
    failures = []
    seen = set()
    records = resources_of_type(pe, "TOOLVERSION")
    for name, payload in sorted(resources_of_type(pe, RT_RCDATA).items()):
        file_name, problems = check_payload(name, payload, expected_files, epoch)
        if file_name in expected_files and records.get(name) != version_record(expected_files[file_name]):
            problems.append(f"version record {records.get(name)!r}, not the packed file's")
        failures += [f"{name}: {problem}" for problem in problems]
        if file_name is not None:
            if file_name in seen:
                failures.append(f"{name}: a second payload records {file_name}")
            seen.add(file_name)
        if not problems:
            print(f"launcher_payloads_check: {name}: {file_name}, {len(payload)} bytes, decodes to the packed file")
    missing = sorted(set(expected_files) - seen)
    if missing:
        failures.append(f"no payload records {', '.join(missing)}")
    for failure in failures:
        print(f"launcher_payloads_check: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
