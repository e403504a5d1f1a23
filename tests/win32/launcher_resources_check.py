#!/usr/bin/env python3
"""Checks the built launcher's non-payload resources and its imports from the host side.

usage: launcher_resources_check.py EXE VERSION COMPANY COPYRIGHT

Reads the PE file with pefile (Debian package python3-pefile), independently of the project's own
PE reader. Prints one line per failed check and exits 1 when any failed.
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

try:
    import pefile
except ImportError:
    sys.exit("launcher_resources_check: python3-pefile is missing (scripts/setup.sh installs it)")

RT_ICON = 3
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24
ICON_GROUP_ID = 555
VISTA = "{e2011457-1546-43c5-a5fe-008deee3d3f0}"
WINDOWS_7 = "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"
ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll", "advapi32.dll",
                   "msvcrt.dll", "ntdll.dll"}

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
WINDOWS_SETTINGS = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def resources_of_type(pe, type_id):
    """{id or name: [bytes per language]} for one resource type."""
    found = {}
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for type_entry in directory.entries if directory is not None else []:
        if type_entry.id != type_id:
            continue
        for name_entry in type_entry.directory.entries:
            key = str(name_entry.name) if name_entry.name is not None else name_entry.id
            for lang_entry in name_entry.directory.entries:
                data = lang_entry.data.struct
                found.setdefault(key, []).append(pe.get_data(data.OffsetToData, data.Size))
    return found


def check_manifest(pe, version):
    manifests = resources_of_type(pe, RT_MANIFEST)
    if not check(list(manifests) == [1] and len(manifests[1]) == 1,
                 f"expected exactly one manifest, id 1; found ids {list(manifests)}"):
        return
    text = manifests[1][0]
    check(b"Microsoft.Windows.Common-Controls" not in text, "manifest depends on the common controls")
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        check(False, f"manifest is not well-formed XML: {error}")
        return
    identity = root.find(f"{ASM_V1}assemblyIdentity")
    if check(identity is not None, "manifest has no assemblyIdentity"):
        check(identity.get("version") == version, f"assembly version {identity.get('version')}, not {version}")
        check(identity.get("processorArchitecture") == "X86", "assembly is not X86")
        check(identity.get("type") == "win32", "assembly type is not win32")
    level = root.find(f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
                      f"{ASM_V3}requestedExecutionLevel")
    if check(level is not None, "manifest has no requestedExecutionLevel"):
        check(level.get("level") == "requireAdministrator", f"execution level {level.get('level')}")
        check(level.get("uiAccess") == "false", f"uiAccess {level.get('uiAccess')}")
    systems = [e.get("Id") for e in root.iter(f"{COMPAT}supportedOS")]
    check(sorted(systems) == sorted([VISTA, WINDOWS_7]), f"supportedOS entries {systems}")
    check(root.find(f".//{ASM_V1}dependency") is None, "manifest declares a dependency")
    aware = root.find(f"{ASM_V3}application/{ASM_V3}windowsSettings/{WINDOWS_SETTINGS}dpiAware")
    check(aware is not None and aware.text == "true", "manifest does not declare dpiAware true")


def check_icon(pe):
    groups = resources_of_type(pe, RT_GROUP_ICON)
    if not check(list(groups) == [ICON_GROUP_ID], f"icon groups {list(groups)}, expected [{ICON_GROUP_ID}]"):
        return
    group = groups[ICON_GROUP_ID][0]
    reserved, kind, count = struct.unpack_from("<HHH", group)
    if not check(kind == 1 and count == 1 and len(group) == 6 + 14, f"icon group holds {count} images"):
        return
    width, height, colours, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6)
    check((width, height, colours, bits) == (32, 32, 0, 8),
          f"icon entry is {width}x{height}, {bits} bits, colour count {colours}; expected 32x32, 256 colours")
    images = resources_of_type(pe, RT_ICON)
    if check(icon_id in images, f"icon image {icon_id} is missing"):
        image = images[icon_id][0]
        check(len(image) == size, f"icon image is {len(image)} bytes, the group says {size}")
        _, bmp_width, bmp_height, _, bmp_bits = struct.unpack_from("<IiiHH", image)
        check((bmp_width, bmp_height, bmp_bits) == (32, 64, 8), "icon image is not a 32x32 8-bit bitmap")


def check_version(pe, version, company, copyright_line):
    numbers = [int(part) for part in version.split(".")]
    expected_ms, expected_ls = (numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3]
    if not check(hasattr(pe, "VS_FIXEDFILEINFO"), "no version resource"):
        return
    fixed = pe.VS_FIXEDFILEINFO[0]
    check((fixed.FileVersionMS, fixed.FileVersionLS) == (expected_ms, expected_ls), "file version differs")
    check((fixed.ProductVersionMS, fixed.ProductVersionLS) == (expected_ms, expected_ls),
          "product version differs")
    strings = {}
    for info in getattr(pe, "FileInfo", [[]])[0]:
        for table in getattr(info, "StringTable", []):
            strings.update(table.entries)
    check(strings.get(b"FileVersion") == version.encode(), f"FileVersion string {strings.get(b'FileVersion')}")
    check(strings.get(b"ProductVersion") == version.encode(),
          f"ProductVersion string {strings.get(b'ProductVersion')}")
    # The distributor's company and copyright lines, lost on the way from the distribution file.
    check(strings.get(b"CompanyName") == company.encode(), f"CompanyName string {strings.get(b'CompanyName')}")
    check(strings.get(b"LegalCopyright") == copyright_line.encode(),
          f"LegalCopyright string {strings.get(b'LegalCopyright')}")


def check_imports(pe):
    imported = {entry.dll.decode().lower() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}
    check("comctl32.dll" not in imported, "comctl32.dll is imported; start-up must load it itself")
    extra = sorted(imported - ALLOWED_IMPORTS)
    check(not extra, f"unexpected imports: {', '.join(extra)}")


def check_reproducible_header(pe):
    check(pe.FILE_HEADER.TimeDateStamp == 0, "the PE header carries a link timestamp")


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__.strip().splitlines()[2])
    exe, version, company, copyright_line = sys.argv[1:5]
    try:
        pe = pefile.PE(exe)
    except (OSError, pefile.PEFormatError) as error:
        sys.exit(f"launcher_resources_check: {exe}: {error}")
    check(pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], "not a 32-bit x86 image")
    check_manifest(pe, version)
    check_icon(pe)
    check_version(pe, version, company, copyright_line)
    check_imports(pe)
    check_reproducible_header(pe)
    for failure in failures:
        print(f"launcher_resources_check: {failure}")
    if failures:
        return 1
    print(f"launcher_resources_check: {exe}: manifest, icon 555, version {version} and imports are as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
