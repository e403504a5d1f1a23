#!/usr/bin/env python3
"""The steps of the release target: Authenticode signing and the reproducible zip with its checksums.

usage: release.py sign --osslsigncode PROGRAM --pkcs12 FILE --password-file FILE
                       [--timestamp-url URL] --epoch SECONDS IN OUT
       release.py package --epoch SECONDS --zip ZIP --sums SUMS [--text-name NAME] [--also FILE]... EXE TEXT
       release.py kit --epoch SECONDS --zip ZIP NAME=FILE...

sign   writes a signed copy of IN to OUT (SHA-256 digest). Without a timestamp server the signing time
       is the build's SOURCE_DATE_EPOCH, so the same key gives the same bytes. A missing key or password
       file, a wrong password or any other signing failure ends the script with a message and exit
       code 1, and leaves no OUT behind: a release is never unsigned by accident.
package writes ZIP holding EXE and TEXT (as NAME when given), and SUMS in the `sha256sum -c` format over ZIP and EXE.
       TEXT is kept in the source as UTF-8; the zip holds it with CRLF line ends in Windows-1252, the
       ANSI code page the German program itself uses, so that Notepad shows the umlauts. The zip
       bytes depend on the inputs and SECONDS alone: entries sorted by name, every time SECONDS,
       fixed attributes and no extra fields. Each FILE given with --also gets its line in SUMS too.
kit    writes ZIP holding each FILE as NAME, in the same reproducible way; a NAME ending in .txt is a
       text, stored as package stores TEXT.

Only the standard library is used (Debian's python3).
"""
import argparse
import hashlib
import io
import os
import subprocess
import sys
import time
import zipfile

PROGRAM_NAME = " Funkelis Tools"
TEXT_ENCODING = "cp1252"
ZIP_EPOCH_FLOOR = 315532800  # 1980-01-01, the earliest time a zip entry can carry
# Entries are recorded as made on MS-DOS/Windows with only the archive attribute, as Windows records
# files it zips itself: nothing of the build machine's system or its file permissions. (zipfile would
# put rw------- in place of no attributes at all.)
CREATED_ON_MSDOS = 0
FILE_ATTRIBUTE_ARCHIVE = 0x20


class ReleaseError(Exception):
    pass


def write_atomically(path, data):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    temporary = path + ".partial"
    with open(temporary, "wb") as out:
        out.write(data)
    os.replace(temporary, path)


def remove_if_present(path):
    try:
        os.remove(path)
    except FileNotFoundError:
        pass


def require_file(path, what, variable):
    if not path:
        raise ReleaseError(f"no {what} given ({variable})")
    if not os.path.isfile(path):
        raise ReleaseError(f"{what} {path} does not exist ({variable})")
    if not os.access(path, os.R_OK):
        raise ReleaseError(f"{what} {path} cannot be read ({variable})")


def sign(args):
    remove_if_present(args.output)
    require_file(args.pkcs12, "key file", "FUNKELIS_SIGN_PKCS12")
    require_file(args.password_file, "password file", "FUNKELIS_SIGN_PASSWORD_FILE")
    command = [args.osslsigncode, "sign", "-pkcs12", args.pkcs12, "-readpass", args.password_file,
               "-h", "sha256", "-n", PROGRAM_NAME]
    if args.timestamp_url:
        command += ["-t", args.timestamp_url]
    else:
        command += ["-time", str(args.epoch)]
    temporary = args.output + ".partial"
    remove_if_present(temporary)
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    command += ["-in", args.input, "-out", temporary]
    try:
        result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    except OSError as error:
        raise ReleaseError(f"cannot run {args.osslsigncode}: {error.strerror} "
                           "(scripts/setup.sh installs osslsigncode)") from error
    if result.returncode != 0 or not os.path.isfile(temporary):
        remove_if_present(temporary)
        details = result.stdout.strip()
        hint = ""
        if "password" in details.lower() or "pkcs12" in details.lower() or "pkcs#12" in details.lower():
            hint = (f": the key file {args.pkcs12} could not be opened with the password in "
                    f"{args.password_file} (wrong password, or not a PKCS#12 file)")
        raise ReleaseError(f"signing {args.input} failed{hint}\nosslsigncode said:\n{details}")
    os.replace(temporary, args.output)


def zip_time(epoch):
    return time.gmtime(max(epoch, ZIP_EPOCH_FLOOR))[:6]


def windows_text(path):
    with open(path, encoding="utf-8") as source:
        text = source.read()
    lines = text.replace("\r\n", "\n").split("\n")
    try:
        return "\r\n".join(lines).encode(TEXT_ENCODING)
    except UnicodeEncodeError as error:
        raise ReleaseError(f"{path}: a character has no place in {TEXT_ENCODING}: {error}") from error


def zip_bytes(entries, epoch):
    """`entries`: name -> bytes. The archive is built in memory and written at once."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, date_time=zip_time(epoch))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = CREATED_ON_MSDOS
            info.external_attr = FILE_ATTRIBUTE_ARCHIVE
            archive.writestr(info, entries[name], compresslevel=9)
    return buffer.getvalue()


def package(args):
    for path in (args.zip, args.sums):
        remove_if_present(path)
    with open(args.exe, "rb") as exe:
        exe_bytes = exe.read()
    entries = {
        os.path.basename(args.exe): exe_bytes,
        args.text_name or os.path.basename(args.text): windows_text(args.text),
    }
    archive = zip_bytes(entries, args.epoch)
    write_atomically(args.zip, archive)
    sums = {os.path.basename(args.zip): archive, os.path.basename(args.exe): exe_bytes}
    for path in args.also:
        with open(path, "rb") as also:
            sums[os.path.basename(path)] = also.read()
    lines = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in sorted(sums.items()))
    write_atomically(args.sums, lines.encode("ascii"))


def kit(args):
    remove_if_present(args.zip)
    entries = {}
    for item in args.files:
        if "=" not in item:
            raise ReleaseError(f"{item}: not NAME=FILE")
        name, path = item.split("=", 1)
        if name.endswith(".txt"):
            entries[name] = windows_text(path)
        else:
            with open(path, "rb") as source:
                entries[name] = source.read()
    write_atomically(args.zip, zip_bytes(entries, args.epoch))


def main():
    parser = argparse.ArgumentParser(description="Signs and packs the Funkelis Tools release.")
    commands = parser.add_subparsers(dest="command", required=True)
    signing = commands.add_parser("sign")
    signing.add_argument("--osslsigncode", default="osslsigncode")
    signing.add_argument("--pkcs12", default="")
    signing.add_argument("--password-file", default="")
    signing.add_argument("--timestamp-url", default="")
    signing.add_argument("--epoch", type=int, required=True)
    signing.add_argument("input")
    signing.add_argument("output")
    packing = commands.add_parser("package")
    packing.add_argument("--epoch", type=int, required=True)
    packing.add_argument("--zip", required=True)
    packing.add_argument("--sums", required=True)
    packing.add_argument("--also", action="append", default=[])
    packing.add_argument("--text-name", default="")
    packing.add_argument("exe")
    packing.add_argument("text")
    kitting = commands.add_parser("kit")
    kitting.add_argument("--epoch", type=int, required=True)
    kitting.add_argument("--zip", required=True)
    kitting.add_argument("files", nargs="+")
    args = parser.parse_args()
    try:
        {"sign": sign, "package": package, "kit": kit}[args.command](args)
    except (ReleaseError, OSError) as error:
        sys.exit(f"release: {error}")


if __name__ == "__main__":
    main()
