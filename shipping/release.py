#!/usr/bin/env python3
"""The release's signing step: an Authenticode signature on the launcher's copy for the zip.

usage: release.py sign --osslsigncode PROGRAM --pkcs12 FILE --password-file FILE
                       [--timestamp-url URL] --epoch SECONDS IN OUT

sign   writes a signed copy of IN to OUT (SHA-256 digest). Without a timestamp server the signing time
       is the build's SOURCE_DATE_EPOCH, so the same key gives the same bytes. A missing key or password
       file, a wrong password or any other signing failure ends the script with a message and exit
       code 1, and leaves no OUT behind: a release is never unsigned by accident.

The zips and their checksums are made by `payload-tool release` afterwards, the same command a
distributor runs with the kit on Windows. Only the standard library is used (Debian's python3).
"""
import argparse
import os
import subprocess
import sys

PROGRAM_NAME = " Funkelis Tools"


class ReleaseError(Exception):
    pass


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


def main():
    parser = argparse.ArgumentParser(description="Signs the Funkelis Tools release.")
    commands = parser.add_subparsers(dest="command", required=True)
    signing = commands.add_parser("sign")
    signing.add_argument("--osslsigncode", default="osslsigncode")
    signing.add_argument("--pkcs12", default="")
    signing.add_argument("--password-file", default="")
    signing.add_argument("--timestamp-url", default="")
    signing.add_argument("--epoch", type=int, required=True)
    signing.add_argument("input")
    signing.add_argument("output")
    args = parser.parse_args()
    try:
        sign(args)
    except (ReleaseError, OSError) as error:
        sys.exit(f"release: {error}")


if __name__ == "__main__":
    main()
