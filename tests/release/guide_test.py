#!/usr/bin/env python3
"""GUIDE.txt's commands run as printed, in the kit that `payload-tool release --kit` makes (see CMakeLists.txt).

Each payload-tool.exe line runs under Wine and with the host payload-tool: same output, same files. The
osslsigncode and sha256sum lines run here; the Windows-only ones are only read; check-titles (see
check_titles_test) and certutil must name a file the steps before wrote. The FILEs become the tools.
"""
import argparse
import os
import re
import shlex
import shutil
import subprocess
import sys
import zipfile

sys.dont_write_bytecode = True  # importing the release test must leave nothing in the source tree
from release_test import make_test_ca  # noqa: E402

INDENT = " " * 5
WINDOWS_ONLY = ("signtool", "certutil", "copy", "type")
KIT_FILES = ["FunkelisTools.exe", "GUIDE.txt", "LIESMICH.txt", "payload-tool.exe"]
ROW_FILES = ["Marvolt.exe", "Cindrel.exe", "Stavnik.exe", "Woberin.exe", "Pellory.exe"]


class GuideFailure(Exception):
    pass


def prompt_words(line):
    """The arguments cmd hands a program for `line`; a character cmd acts on outside quotes is a fault."""
    words, word, quoted, started = [], "", False, False
    for character in line:
        if character == '"':
            quoted, started = not quoted, True
        elif character == " " and not quoted:
            if started:
                words.append(word)
            word, started = "", False
        elif character in "&|<>^%" and not quoted:
            raise GuideFailure(f"the command prompt acts on {character!r} in: {line}")
        else:
            word, started = word + character, True
    if quoted:
        raise GuideFailure(f"an unclosed quote in: {line}")
    return words + ([word] if started else [])


def read_all(path):
    if os.path.isdir(path):
        return {name: read_all(os.path.join(path, name)) for name in sorted(os.listdir(path))}
    with open(path, "rb") as source:
        return source.read()


def remove(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        os.remove(path)


class Guide:
    def __init__(self, args):
        self.args = args
        self.kit = os.path.join(args.out, "kit")
        self.cwd = self.kit

    def run(self, command, **options):
        return subprocess.run(command, cwd=self.cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              **options)

    def make_kit(self):
        shutil.rmtree(self.args.out, ignore_errors=True)
        made = os.path.join(self.args.out, "release")
        result = subprocess.run([self.args.payload_tool, "release", self.args.launcher, "-o", made,
                                 "--kit", self.args.launcher, "--kit", self.args.payload_tool_exe,
                                 "--kit", self.args.guide], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                text=True)
        kits = [name for name in os.listdir(made) if name.endswith("-kit-win32.zip")] if os.path.isdir(made) else []
        if result.returncode != 0 or len(kits) != 1:
            raise GuideFailure(f"no kit made:\n{result.stdout}")
        with zipfile.ZipFile(os.path.join(made, kits[0])) as kit:
            if sorted(kit.namelist()) != KIT_FILES:
                raise GuideFailure(f"the kit holds {kit.namelist()}")
            kit.extractall(self.kit)
        os.makedirs(os.path.join(self.kit, "tools"))
        for tool, name in zip(self.args.tool, ROW_FILES):
            shutil.copy2(tool, os.path.join(self.kit, "tools", name))
        ca, pkcs12, password = make_test_ca(self.args.out)
        for source, name in ((ca, "ca.pem"), (pkcs12, "funkelis.p12"), (password, "funkelis.pass")):
            shutil.copyfile(source, os.path.join(self.kit, name))
        with open(os.path.join(self.kit, "GUIDE.txt"), "rb") as guide:
            return guide.read().decode("cp1252")

    def payload_tool(self, line):
        words = prompt_words(line)[1:]
        output = os.path.join(self.cwd, words[words.index("-o") + 1]) if "-o" in words else None
        results = []
        for side, command in (("Linux", [self.args.payload_tool] + [w.replace("\\", "/") for w in words]),
                              ("Wine", [self.args.wine_run, self.args.payload_tool_exe] + words)):
            if output:
                remove(output)
            result = self.run(command)
            if result.returncode != 0:
                raise GuideFailure(f"{side}: {line}\nfailed:\n{result.stdout}{result.stderr}")
            results.append((result.stdout.replace("\r\n", "\n"), read_all(output) if output else None))
        (linux_said, linux_wrote), (wine_said, wine_wrote) = results
        if linux_said != wine_said:
            raise GuideFailure(f"{line}\nsays on Linux:\n{linux_said}and under Wine:\n{wine_said}")
        if linux_wrote != wine_wrote:
            raise GuideFailure(f"{line}\nwrites other bytes under Wine than on Linux")
        return linux_said

    def follow(self, guide):
        commands = [line[len(INDENT):] for line in guide.splitlines() if line.startswith(INDENT) and line[5:6].strip()]
        said = {}
        for line in commands:
            program = line.split()[0]
            if program == "certutil" or line.split()[:2] == ["payload-tool.exe", "check-titles"]:
                named = prompt_words(line)[2]
                if not os.path.isfile(os.path.join(self.cwd, named)):
                    raise GuideFailure(f"{line}\nnames {named}, which the steps before did not write")
            elif program == "payload-tool.exe":
                said[line.split()[1]] = self.payload_tool(line)
            elif program in ("osslsigncode", "sha256sum"):
                words = shlex.split(line)
                result = self.run([self.args.osslsigncode if program == "osslsigncode" else program] + words[1:])
                if result.returncode != 0:
                    raise GuideFailure(f"{line}\nfailed:\n{result.stdout}{result.stderr}")
            elif program == "cd":
                self.cwd = os.path.join(self.cwd, prompt_words(line)[1])
            elif program not in WINDOWS_ONLY:
                raise GuideFailure(f"a command this test does not know: {line}")
        success = re.search(r'verify \S+\s+must end with "([^"]+)"', guide)
        if not success or not said.get("verify", "").rstrip("\n").endswith(success.group(1)):
            raise GuideFailure(f"verify does not end as GUIDE says:\n{said.get('verify')}")
        print(f"ok     {len(commands)} commands of GUIDE.txt followed")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--payload-tool", "--payload-tool-exe", "--wine-run", "--osslsigncode", "--launcher", "--guide",
                   "--out"):
        parser.add_argument(option, required=True)
    parser.add_argument("--tool", nargs=5, required=True)
    args = parser.parse_args()
    guide = Guide(args)
    try:
        guide.follow(guide.make_kit())
    except (GuideFailure, OSError, subprocess.CalledProcessError) as error:
        print(f"FAILED {error}")
        sys.exit(1)


if __name__ == "__main__":
    main()
