#!/usr/bin/env python3
"""Tests of the release's signing step (shipping/release.py) and of `payload-tool release`, on the build machine.

usage: release_test.py --release-script PY --osslsigncode PROGRAM --payload-tool PROGRAM
                       --payload-tool-exe PROGRAM --wine-run SCRIPT --tool NAME=FILE ...
                       --epoch SECONDS --text LIESMICH --out DIR EXE

A throwaway CA and code-signing key are made with openssl for each run; nothing of them outlives it.
EXE (the unsigned launcher) is signed through release.py exactly as the release target does it, into
DIR/FunkelisTools.exe, which signed_launcher_test then starts under Wine. Each case is named by the
fault it catches; all cases run, and the exit code is 1 when any failed.
"""
import argparse
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

try:
    import pefile
except ImportError:
    sys.exit("release_test: python3-pefile is missing (scripts/setup.sh installs it)")

PASSWORD = "Funkel-Test-Passwort"
TAMPERED_RESOURCE = "MARVOLT_EXE_V2106_BIN_WFD_NTC"
RT_RCDATA = 10
RT_ICON_TYPES = (3, 14)  # the icon and its group: what neither `set` nor `replace` writes


class CaseFailure(Exception):
    pass


def run(command, cwd=None, env=None):
    return subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def checked(command, cwd=None):
    result = run(command, cwd=cwd)
    if result.returncode != 0:
        raise CaseFailure(f"{' '.join(command)} failed:\n{result.stdout}")
    return result.stdout


def read(path):
    with open(path, "rb") as source:
        return source.read()


def make_test_ca(folder):
    """A CA and a code-signing certificate it issued, packed with the key as a PKCS#12 file."""
    def at(name):
        return os.path.join(folder, name)

    with open(at("leaf.cnf"), "w") as config:
        config.write("[leaf]\nbasicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                     "extendedKeyUsage=codeSigning\nsubjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n")
    with open(at("password"), "w") as password:
        password.write(PASSWORD + "\n")
    checked(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", at("ca.key"), "-out",
             at("ca.pem"), "-days", "2", "-subj", "/CN=Funkelis Throwaway Test CA",
             "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign"])
    checked(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", at("signer.key"), "-out",
             at("signer.csr"), "-subj", "/CN=Funkelis Throwaway Test Signer"])
    checked(["openssl", "x509", "-req", "-in", at("signer.csr"), "-CA", at("ca.pem"), "-CAkey", at("ca.key"),
             "-CAcreateserial", "-days", "2", "-out", at("signer.pem"), "-extfile", at("leaf.cnf"),
             "-extensions", "leaf"])
    checked(["openssl", "pkcs12", "-export", "-inkey", at("signer.key"), "-in", at("signer.pem"), "-certfile",
             at("ca.pem"), "-out", at("signer.p12"), "-passout", "file:" + at("password")])
    return at("ca.pem"), at("signer.p12"), at("password")


class ReleaseTest:
    def __init__(self, args, scratch):
        self.args = args
        self.scratch = scratch
        self.ca, self.pkcs12, self.password = make_test_ca(scratch)
        self.signed = os.path.join(args.out, "FunkelisTools.exe")

    def sign(self, output, pkcs12=None, password=None, source=None):
        return run([sys.executable, self.args.release_script, "sign", "--osslsigncode", self.args.osslsigncode,
                    "--pkcs12", pkcs12 or self.pkcs12, "--password-file", password or self.password,
                    "--epoch", str(self.args.epoch), source or self.args.exe, output])

    def verify(self, exe):
        return run([self.args.osslsigncode, "verify", "-CAfile", self.ca, "-in", exe])

    def scratch_path(self, name):
        return os.path.join(self.scratch, name)

    # Fault: a release signed with a weak digest, against the wrong chain or not at all, or signing
    # that changes the unsigned build/win32/FunkelisTools.exe.
    def case_signed_copy_verifies_against_its_ca(self):
        unsigned = read(self.args.exe)
        if os.path.exists(self.signed):
            os.remove(self.signed)
        result = self.sign(self.signed)
        if result.returncode != 0:
            raise CaseFailure(f"signing failed:\n{result.stdout}")
        verified = self.verify(self.signed)
        if verified.returncode != 0 or "Signature verification: ok" not in verified.stdout:
            raise CaseFailure(f"the signed copy does not verify:\n{verified.stdout}")
        if "SHA256" not in verified.stdout:
            raise CaseFailure(f"not a SHA-256 signature:\n{verified.stdout}")
        if read(self.args.exe) != unsigned:
            raise CaseFailure("signing changed the unsigned launcher")
        if self.verify(self.args.exe).returncode == 0:
            raise CaseFailure("the unsigned launcher verifies as signed")

    # Fault: a signature that does not cover the carried tools, so a changed tool goes unnoticed.
    def case_flipped_payload_byte_fails_verification(self):
        image = bytearray(read(self.signed))
        offset = payload_offset(bytes(image), TAMPERED_RESOURCE)
        image[offset] ^= 0x01
        tampered = self.scratch_path("tampered.exe")
        with open(tampered, "wb") as out:
            out.write(image)
        result = self.verify(tampered)
        digest_mismatch = re.search(r"Calculated message digest.*MISMATCH", result.stdout) is not None
        if result.returncode == 0 or not digest_mismatch:
            raise CaseFailure(f"a flipped byte at {offset} inside {TAMPERED_RESOURCE} is not a digest "
                              f"mismatch:\n{result.stdout}")

    # Fault: the packer's PE reader trips over the certificate table appended by signing.
    def case_payload_tool_reads_the_signed_image(self):
        result = run([self.args.payload_tool, "verify", self.signed])
        if result.returncode != 0 or "5 of 5 payloads OK, 5 stand-ins" not in result.stdout:
            raise CaseFailure(f"payload-tool verify refuses the signed copy:\n{result.stdout}")

    # Fault: a silently unsigned release when the password is wrong.
    def case_wrong_password_stops_signing(self):
        wrong = self.scratch_path("wrong-password")
        with open(wrong, "w") as out:
            out.write("not-" + PASSWORD + "\n")
        self.expect_refusal(self.sign(self.scratch_path("wrong.exe"), password=wrong), "wrong.exe", "password")

    # Fault: a silently unsigned release when the key file is missing.
    def case_missing_key_stops_signing(self):
        missing = self.scratch_path("no-such-key.p12")
        self.expect_refusal(self.sign(self.scratch_path("nokey.exe"), pkcs12=missing), "nokey.exe",
                            "no-such-key.p12 does not exist")

    def expect_refusal(self, result, output, message):
        if result.returncode == 0:
            raise CaseFailure(f"signing went on:\n{result.stdout}")
        if message not in result.stdout:
            raise CaseFailure(f"the message does not say '{message}':\n{result.stdout}")
        leftovers = [name for name in os.listdir(self.scratch) if name.startswith(output)]
        if leftovers:
            raise CaseFailure(f"a failed signing left {leftovers}")

    # Faults: zips that carry the build machine's clock, zone, umask or file times, or differ from what zipfile
    # wrote for the same files; SHA256SUMS naming a file the folder lacks; an older release's zip released too.
    def case_release_folder_is_reproducible_and_checks_as_people_check_it(self):
        folders = []
        for side, (zone, umask, file_time) in enumerate([("UTC", 0o022, 1_000_000_000), ("Asia/Tokyo", 0o077, 0)]):
            inputs = self.scratch_path(f"inputs-{side}")
            os.makedirs(inputs)
            exe, text = os.path.join(inputs, "launcher.exe"), os.path.join(inputs, "LIESMICH.txt")
            shutil.copyfile(self.signed, exe)
            shutil.copyfile(self.args.text, text)
            for path in (exe, text):
                os.utime(path, (file_time, file_time))
            folders.append(self.scratch_path(f"release-{side}"))
            old_umask = os.umask(umask)
            try:
                result = run([self.args.payload_tool, "release", exe, "-o", folders[-1], "--liesmich", text,
                              "--kit", self.args.payload_tool_exe], env=dict(os.environ, TZ=zone))
            finally:
                os.umask(old_umask)
            if result.returncode != 0:
                raise CaseFailure(f"release failed:\n{result.stdout}")
            checked(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=folders[-1])
            if side == 0:
                time.sleep(2)  # a zip time taken from the clock would now differ
        version = ".".join(str(part) for part in file_version(self.signed))
        zip_name = f"FunkelisTools-{version}-win32-standins-1-2-3-4-5.zip"
        kit_name = f"FunkelisTools-{version}-kit-win32.zip"
        if sorted(os.listdir(folders[0])) != sorted([zip_name, kit_name, "SHA256SUMS"]):
            raise CaseFailure(f"the folder holds {os.listdir(folders[0])}")
        for name in os.listdir(folders[0]):
            if read(os.path.join(folders[0], name)) != read(os.path.join(folders[1], name)):
                raise CaseFailure(f"two releases of the same launcher differ in {name}")
        text = windows_text(self.args.text)
        expected = {zip_name: {"FunkelisTools.exe": read(self.signed), "LIESMICH.txt": text},
                    kit_name: {"payload-tool.exe": read(self.args.payload_tool_exe), "LIESMICH.txt": text}}
        for name, entries in expected.items():
            if read(os.path.join(folders[0], name)) != zipfile_bytes(entries, self.args.epoch):
                raise CaseFailure(f"{name} is not what zipfile writes for its files at the packed tools' time")

        stale = self.scratch_path("stale")
        os.makedirs(stale)
        with open(os.path.join(stale, "FunkelisTools-2.0.0.0-win32.zip"), "wb") as old:
            old.write(b"an older release")
        result = run([self.args.payload_tool, "release", self.signed, "-o", stale])
        if result.returncode != 1 or "not this release's" not in result.stdout or len(os.listdir(stale)) != 1:
            raise CaseFailure(f"a folder with an older zip was released into:\n{result.stdout}")

    # Fault: the release's LIESMICH.txt told the users of a launcher with tool updates to delete their old
    # tool files, or those of one without that there was nothing to do.
    def case_release_text_follows_the_launchers_tool_update_choice(self):
        texts = {}
        for choice in ("on", "off"):
            exe, folder = self.scratch_path(f"updates-{choice}.exe"), self.scratch_path(f"updates-{choice}")
            checked([self.args.payload_tool, "set", self.args.exe, f"update-tools={choice}", "-o", exe])
            checked([self.args.payload_tool, "release", exe, "-o", folder])
            zip_name = next(name for name in os.listdir(folder) if name.endswith(".zip"))
            with zipfile.ZipFile(os.path.join(folder, zip_name)) as release:
                texts[choice] = release.read("LIESMICH.txt")
        section = windows_text(os.path.join(os.path.dirname(self.args.text), "LIESMICH-updates.txt"))
        if texts["off"] != windows_text(self.args.text) or section in texts["off"]:
            raise CaseFailure("without tool updates the release's text is not shipping/LIESMICH.txt")
        if section not in texts["on"] or texts["on"].count(b"\r\nAktualisieren\r\n") != 1:
            raise CaseFailure("with tool updates the release's text has not just its section from LIESMICH-updates.txt")

    # Faults: a branded and repacked launcher that fails verify, keeps a signature that no longer matches
    # or does not say it is gone, cannot be signed again, or lost a resource it was not given anew;
    # payload-tool.exe under Wine writing other bytes than payload-tool for the same arguments (its
    # packer, its command line: the company holds characters that no ANSI code page holds together).
    def case_branded_and_repacked_launcher_is_the_same_from_both_tools_and_signs_again(self):
        folder = os.path.join(self.args.out, "repacked")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(os.path.join(folder, "tools"))
        new_tools = {}
        for name, source in (tool.split("=", 1) for tool in self.args.tool):
            new_tools[name] = os.path.join(folder, "tools", name)
            with open(new_tools[name], "wb") as out:  # still the stand-in program, but other bytes
                out.write(read(source) + f"repacked {name}".encode())
        facts = ["version=3.0.7.1", "company=M\u00fcller & S\u00f6hne GmbH \u03a9", "copyright=\u00a9 2026",
                 "home-page=https://example.org/tools?lang=de&v=2", "date=01022027"]
        rows = [f"{row}={tool}" for row, tool in new_tools.items()]
        outputs = []
        for side, tool in (("linux", [self.args.payload_tool]),
                           ("wine", [self.args.wine_run, self.args.payload_tool_exe])):
            branded, repacked = self.scratch_path(f"{side}-branded.exe"), self.scratch_path(f"{side}.exe")
            # In the scratch folder, which wine-run gives the user Wine runs as, who writes there.
            said = checked(tool + ["set", self.signed] + facts + ["-o", branded], cwd=self.scratch)
            if "sign this file again" not in said or self.verify(branded).returncode == 0:
                raise CaseFailure(f"{side}: the old signature is not removed, or not said to be:\n{said}")
            checked(tool + ["replace", branded] + rows + ["-o", repacked], cwd=self.scratch)
            outputs.append(repacked)
        if read(outputs[0]) != read(outputs[1]):
            raise CaseFailure("payload-tool.exe under Wine wrote other bytes than payload-tool")
        checked([self.args.payload_tool, "verify", outputs[1]])
        if resources_of(outputs[1], RT_ICON_TYPES) != resources_of(self.args.exe, RT_ICON_TYPES):
            raise CaseFailure("the icon was lost or changed on the way")
        repacked = os.path.join(folder, "FunkelisTools.exe")
        signed = self.sign(repacked, source=outputs[1])
        verified = self.verify(repacked)
        if signed.returncode != 0 or "Signature verification: ok" not in verified.stdout:
            raise CaseFailure(f"the repacked launcher does not sign and verify:\n{signed.stdout}{verified.stdout}")


def file_version(exe):
    """The four numbers of the fixed file version in the version resource."""
    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    fixed = pe.VS_FIXEDFILEINFO[0]
    return (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF, fixed.FileVersionLS >> 16,
            fixed.FileVersionLS & 0xFFFF)


def windows_text(path):
    """The text in Windows-1252 with CRLF line ends, as the release has always stored it."""
    with open(path, encoding="utf-8") as source:
        return "\r\n".join(source.read().split("\n")).encode("cp1252")


def zipfile_bytes(entries, epoch):
    """What zipfile writes for `entries` (name -> bytes): sorted, deflated at 9, MS-DOS attributes, times `epoch`."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, date_time=time.gmtime(max(epoch, 315532800))[:6])
            info.compress_type, info.create_system, info.external_attr = zipfile.ZIP_DEFLATED, 0, 0x20
            archive.writestr(info, entries[name], compresslevel=9)
    return buffer.getvalue()


def resources_of(exe, types):
    """The resources of the given types, as (type, name, language, bytes)."""
    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    return [(kind.id, str(entry.name or entry.id), language.id,
             pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size))
            for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries if kind.id in types
            for entry in kind.directory.entries for language in entry.directory.entries]


def payload_offset(image, resource_name):
    """The file offset of the middle byte of RT_RCDATA resource `resource_name`."""
    pe = pefile.PE(data=image, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != RT_RCDATA:
            continue
        for entry in kind.directory.entries:
            if entry.name is not None and str(entry.name).upper() == resource_name:
                data = entry.directory.entries[0].data.struct
                return pe.get_offset_from_rva(data.OffsetToData) + data.Size // 2
    raise CaseFailure(f"no resource {resource_name}")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--release-script", "--osslsigncode", "--payload-tool", "--payload-tool-exe", "--wine-run",
                   "--text", "--out"):
        parser.add_argument(option, required=True)
    parser.add_argument("--tool", action="append", required=True, help="NAME=FILE, twice: a row's new tool")
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("exe")
    args = parser.parse_args()
    for program in ("openssl", args.osslsigncode, "sha256sum"):
        if shutil.which(program) is None:
            sys.exit(f"release_test: {program} is missing (scripts/setup.sh installs it)")
    os.makedirs(args.out, exist_ok=True)

    failed = 0
    with tempfile.TemporaryDirectory(prefix="funkelis-release-test.") as scratch:
        test = ReleaseTest(args, scratch)
        cases = [name for name in vars(ReleaseTest) if name.startswith("case_")]
        for name in cases:
            try:
                getattr(test, name)()
                print(f"ok     {name}")
            except (CaseFailure, OSError, pefile.PEFormatError) as error:
                failed += 1
                print(f"FAILED {name}: {error}")
        print(f"{len(cases) - failed} of {len(cases)} cases passed")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
