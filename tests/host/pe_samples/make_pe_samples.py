#!/usr/bin/env python3
"""Writes the smallest 64-bit Windows images the tool-kind check is given: program64.exe and
library64.dll, each with one code section whose entry returns 0. Run it again only to change them."""
import os
import struct

IMAGE_FILE_EXECUTABLE_IMAGE = 0x0002
IMAGE_FILE_LARGE_ADDRESS_AWARE = 0x0020
IMAGE_FILE_DLL = 0x2000
FILE_ALIGNMENT = 0x200
SECTION_ALIGNMENT = 0x1000


def image(characteristics):
    dos = b"MZ" + bytes(0x3A) + struct.pack("<I", 0x40)
    coff = struct.pack("<HHIIIHH", 0x8664, 1, 0, 0, 0, 240, characteristics)
    optional = struct.pack("<HBBIIIII", 0x20B, 14, 0, FILE_ALIGNMENT, 0, 0, SECTION_ALIGNMENT,
                           SECTION_ALIGNMENT)
    optional += struct.pack("<QII", 0x140000000, SECTION_ALIGNMENT, FILE_ALIGNMENT)
    optional += struct.pack("<HHHHHHI", 6, 0, 0, 0, 6, 0, 0)
    optional += struct.pack("<IIIHH", 2 * SECTION_ALIGNMENT, FILE_ALIGNMENT, 0, 2, 0x8160)
    optional += struct.pack("<QQQQII", 0x100000, 0x1000, 0x100000, 0x1000, 0, 16) + bytes(16 * 8)
    section = b".text\0\0\0" + struct.pack("<IIIIIIHHI", 3, SECTION_ALIGNMENT, FILE_ALIGNMENT, FILE_ALIGNMENT,
                                           0, 0, 0, 0, 0x60000020)
    headers = dos + b"PE\0\0" + coff + optional + section
    return headers.ljust(FILE_ALIGNMENT, b"\0") + b"\x31\xC0\xC3".ljust(FILE_ALIGNMENT, b"\0")


here = os.path.dirname(os.path.abspath(__file__))
program = IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_LARGE_ADDRESS_AWARE
for name, characteristics in (("program64.exe", program), ("library64.dll", program | IMAGE_FILE_DLL)):
    with open(os.path.join(here, name), "wb") as out:
        out.write(image(characteristics))
