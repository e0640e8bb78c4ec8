r"""The release: the installation CD image of scripts/make-cd.sh, a reproducible
setup.exe, a signed one, and one that starts on every Windows from the oldest
it names. No Wine here (test_installation_cd.py installs from the image under
Wine; Wine has every function whatever Windows it plays).

The image is read back with xorriso, as a reader of its Joliet names (Windows)
sees it.
"""

from __future__ import annotations

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

import installation_cd
from e2e_case import BUILD, REPOSITORY, program
from installation_cd import SAMPLE_CD, ThrowawayCertificate, extract, make_cd, sha256, tree


def pe_header(data: bytes) -> tuple[int, int, int]:
    """A PE file's TimeDateStamp, CheckSum and the CheckSum's offset."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0"
    time_stamp = struct.unpack_from("<I", data, pe + 8)[0]
    checksum_at = pe + 24 + 64
    return time_stamp, struct.unpack_from("<I", data, checksum_at)[0], checksum_at


def pe_checksum(data: bytes, checksum_at: int) -> int:
    """The PE CheckSum of DATA: the 16-bit one's complement sum, its own field as 0, plus the size."""
    padded = data[:checksum_at] + b"\0\0\0\0" + data[checksum_at + 4:]
    padded += b"\0" * (len(padded) % 2)
    total = 0
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16)) + len(data)


def pe_imports(data: bytes) -> list[tuple[str, str]]:
    """The (DLL, function) pairs of a PE file's import table; "#N" for an import by ordinal."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    section_count, optional_size = struct.unpack_from("<H", data, pe + 6)[0], \
        struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    wide = struct.unpack_from("<H", data, optional)[0] == 0x20B  # PE32+
    import_rva = struct.unpack_from("<I", data, optional + (112 if wide else 96) + 8)[0]
    sections = [struct.unpack_from("<IIII", data, optional + optional_size + 40 * index + 8)
                for index in range(section_count)]

    def offset(rva: int) -> int:
        for virtual_size, address, raw_size, raw in sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} is in no section")

    def text(rva: int) -> str:
        at = offset(rva)
        return data[at:data.index(b"\0", at)].decode("ascii")

    entry_size, by_ordinal = (8, 1 << 63) if wide else (4, 1 << 31)
    imports = []
    descriptor = offset(import_rva)
    while True:
        lookup, _time, _chain, dll, first = struct.unpack_from("<5I", data, descriptor)
        if dll == 0:
            return imports
        thunk = offset(lookup or first)
        while entry := int.from_bytes(data[thunk:thunk + entry_size], "little"):
            # By name: the RVA of a 2-byte hint and the name.
            imports.append((text(dll), f"#{entry & 0xFFFF}" if entry & by_ordinal
                            else text(entry + 2)))
            thunk += entry_size
        descriptor += 20


# The Windows versions the import table names, in order, and the oldest the
# program starts on: its PE's OS and subsystem versions and the first system
# its manifest names.
WINDOWS_VERSIONS = {"NT 4.0": (4, 0), "XP": (5, 1), "XP SP1": (5, 1, 1), "Vista": (6, 0),
                    "7": (6, 1), "8": (6, 2), "8.1": (6, 3), "10 1607": (10, 0, 14393),
                    "10 1703": (10, 0, 15063)}
FLOOR = "Vista"
IMPORT_TABLE = Path(__file__).with_name("windows_imports.tsv")
# The manifest's supportedOS Ids, oldest first.
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
                "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
                "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
                "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10"}


def import_table() -> dict[tuple[str, str], str]:
    """windows_imports.tsv: (DLL in lower case, function) -> the oldest Windows that has it."""
    rows = [line.split("\t") for line in IMPORT_TABLE.read_text(encoding="utf-8").splitlines()
            if line and not line.startswith("#")]
    assert rows[0][:3] == ["dll", "function", "minimum"], rows[0]
    table = {}
    for row in rows[1:]:
        assert row[2] in WINDOWS_VERSIONS, row
        table[row[0].lower(), row[1]] = row[2]
    return table


class ReleaseCase(unittest.TestCase):
    def setUp(self) -> None:
        self.setup_exe = program("SETUP_EXE", BUILD / "setup.exe")
        self.folder = Path(tempfile.mkdtemp(prefix="setup-release-"))
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)

    def make(self, *arguments: str, **options) -> subprocess.CompletedProcess:
        return make_cd("--setup-exe", str(self.setup_exe), *arguments, **options)

    def assert_made(self, run: subprocess.CompletedProcess, image: Path) -> None:
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertTrue(image.is_file())

    def assert_refused(self, run: subprocess.CompletedProcess, image: Path, *named: str) -> None:
        """Exit status 1, an error naming each of NAMED, and no image."""
        self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
        self.assertIn("make-cd: no image made", run.stderr)
        for name in named:
            self.assertIn(name, run.stderr)
        self.assertFalse(image.exists(), f"{image} was left behind")
        self.assertEqual(list(image.parent.glob("*.partial")), [])


class MediumTest(ReleaseCase):
    def test_sample_medium_holds_the_product_setup_exe_and_autorun(self) -> None:
        image = self.folder / "quorvan.iso"
        run = self.make("--output", str(image))
        self.assert_made(run, image)
        self.assertIn("left off: .VOLUMEID", run.stdout)
        self.assertEqual(installation_cd.volume_id(image), installation_cd.LABEL)
        read_back = extract(image, self.folder / "read-back")
        expected = {name: digest for name, digest in tree(SAMPLE_CD).items()
                    if not name.startswith(".")}
        expected["setup.exe"] = sha256(self.setup_exe)
        self.assertEqual({name: digest for name, digest in tree(read_back).items()
                          if name != "autorun.inf"}, expected)
        self.assertEqual((read_back / "autorun.inf").read_bytes(), installation_cd.AUTORUN_INF)

    def test_names_survive_as_windows_shows_them(self) -> None:
        product = self.folder / "product"
        names = ["Read Me First.txt", "MixedCase.Ini", "Übersicht für Händler.txt", "説明書.txt",
                 "emoji 🎉.txt", "x" * 60 + ".txt", "Sub Folder/Deeper/Nested File.dat"]
        for index, name in enumerate(names):
            (product / name).parent.mkdir(parents=True, exist_ok=True)
            (product / name).write_bytes(f"file {index}\r\n".encode())
        image = self.folder / "names.iso"
        self.assert_made(self.make("--product", str(product), "--output", str(image),
                                   "--label", "NAMES_2005"), image)
        self.assertEqual(installation_cd.volume_id(image), "NAMES_2005")
        read_back = tree(extract(image, self.folder / "read-back"))
        for name in names:
            self.assertEqual(read_back.get(name), sha256(product / name), name)

    def test_what_windows_could_not_show_is_refused_and_no_image_is_left(self) -> None:
        image = self.folder / "out" / "refused.iso"
        image.parent.mkdir()

        def product(name: str, *files: str, link: str = "") -> Path:
            folder = self.folder / name
            for file in files:
                (folder / file).parent.mkdir(parents=True, exist_ok=True)
                (folder / file).write_bytes(b"data")
            folder.mkdir(exist_ok=True)
            if link:
                os.symlink("/etc/hostname", folder / link)
            return folder

        long_name = "n" * 61 + ".txt"  # 65 characters
        cases = [
            (product("long", "DOCS/" + long_name), [f"long/DOCS/{long_name}", "64"]),
            (product("twins", "DOCS/Manual.txt", "DOCS/manual.TXT"),
             ["twins/DOCS/manual.TXT", "twins/DOCS/Manual.txt", "letter case"]),
            (product("own-setup", "SETUP.EXE"), ["own-setup/SETUP.EXE"]),
            (product("colon", "a:b.txt"), ["colon/a:b.txt"]),
            (product("device", "CON.txt"), ["device/CON.txt"]),
            (product("link", "ok.txt", link="elsewhere.txt"), ["link/elsewhere.txt"]),
        ]
        for folder, named in cases:
            with self.subTest(folder.name):
                image.write_bytes(b"an older image")
                self.assert_refused(self.make("--product", str(folder), "--output", str(image)),
                                    image, *named)
        with self.subTest("no setup.exe"):
            image.write_bytes(b"an older image")
            missing = self.folder / "build" / "setup.exe"
            run = make_cd("--setup-exe", str(missing), "--output", str(image))
            self.assert_refused(run, image, str(missing), "not built")

    def test_a_file_over_4_gib_takes_iso_level_3(self) -> None:
        # A sparse file: xorriso counts its blocks without writing them.
        product = self.folder / "large"
        product.mkdir()
        with open(product / "HUGE.DAT", "wb") as huge:
            huge.truncate(4 * 1024**3 + 1)
        run = self.make("--product", str(product), "--size-only")
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertIn("ISO level 3: HUGE.DAT has 4294967297 bytes", run.stdout)
        self.assertRegex(run.stdout, r"would take 2\d{6} blocks")

    def test_image_is_the_same_from_two_copies_at_different_times(self) -> None:
        # The product in two places, with other dates and permissions.
        first = self.folder / "a" / "product"
        second = self.folder / "b" / "deeper" / "product"
        shutil.copytree(SAMPLE_CD, first)
        shutil.copytree(SAMPLE_CD, second)
        for path in first.rglob("*"):
            os.utime(path, (1_000_000_000, 1_000_000_000))
        (second / "README.TXT").chmod(0o600)
        copy_of_setup = self.folder / "b" / "setup.exe"
        shutil.copyfile(self.setup_exe, copy_of_setup)
        images = [first.parent / "quorvan.iso", second.parent / "quorvan.iso"]
        self.assert_made(self.make("--product", str(first), "--output", str(images[0])),
                         images[0])
        time.sleep(1.1)
        self.assert_made(make_cd("--setup-exe", str(copy_of_setup), "--product", "product",
                                 "--output", "quorvan.iso", cwd=second.parent), images[1])
        self.assertEqual(sha256(images[0]), sha256(images[1]))
        print(f"\n[release] sample image: {images[0].stat().st_size} bytes, "
              f"sha256 {sha256(images[0])}", file=sys.stderr)


class ReproducibleSetupTest(ReleaseCase):
    def test_setup_exe_has_no_build_time_and_a_checksum_of_its_bytes(self) -> None:
        data = self.setup_exe.read_bytes()
        time_stamp, checksum, checksum_at = pe_header(data)
        self.assertEqual(time_stamp, 0)
        self.assertEqual(checksum, pe_checksum(data, checksum_at))

    def test_a_second_build_at_another_path_is_the_same(self) -> None:
        # The work tree's files (as they are, committed or not) at another
        # path, built there with the same preset, a little later.
        clone = self.folder / "another" / "clone"
        listed = subprocess.run(["git", "-C", str(REPOSITORY), "ls-files", "-z", "--cached",
                                 "--others", "--exclude-standard"],
                                capture_output=True, check=True).stdout.split(b"\0")
        for name in filter(None, (entry.decode() for entry in listed)):
            source = REPOSITORY / name
            if source.is_file():
                (clone / name).parent.mkdir(parents=True, exist_ok=True)
                shutil.copyfile(source, clone / name)
        for command in (["cmake", "--preset", "windows"],
                        ["cmake", "--build", "--preset", "windows", "--target", "setup", "-j2"]):
            run = subprocess.run(command, cwd=clone, capture_output=True, text=True, timeout=600)
            self.assertEqual(run.returncode, 0, run.stdout[-3000:] + run.stderr[-3000:])
        second = clone / "build" / "windows" / "setup.exe"
        print(f"\n[release] setup.exe here: {sha256(self.setup_exe)}\n"
              f"[release] setup.exe at {clone}: {sha256(second)}", file=sys.stderr)
        self.assertEqual(sha256(second), sha256(self.setup_exe))
        self.assertNotIn(str(REPOSITORY).encode(), second.read_bytes())


class OldestWindowsTest(ReleaseCase):
    def test_every_import_is_in_the_oldest_windows_it_starts_on(self) -> None:
        imports = pe_imports(self.setup_exe.read_bytes())
        table = import_table()
        floor = WINDOWS_VERSIONS[FLOOR]
        unknown = [f"{dll}!{function}" for dll, function in imports
                   if (dll.lower(), function) not in table]
        newer = [f"{dll}!{function} (Windows {table[dll.lower(), function]})"
                 for dll, function in imports
                 if (dll.lower(), function) in table
                 and WINDOWS_VERSIONS[table[dll.lower(), function]] > floor]
        by_dll: dict[str, list[str]] = {}
        for dll, function in imports:
            by_dll.setdefault(dll, []).append(function)
        print("\n[release] setup.exe imports " + "; ".join(
            f"{dll}: {len(functions)}" for dll, functions in by_dll.items()), file=sys.stderr)
        self.assertEqual(unknown, [], f"imports not in {IMPORT_TABLE.name}")
        self.assertEqual(newer, [], f"imports newer than Windows {FLOOR}")

    def test_header_and_manifest_name_the_oldest_windows(self) -> None:
        data = self.setup_exe.read_bytes()
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        optional = pe + 24
        # One program for every PC: 32-bit x86, which 64-bit Windows and
        # Windows on ARM run too.
        self.assertEqual(struct.unpack_from("<H", data, pe + 4)[0], 0x14C, "machine: not i386")
        self.assertEqual(struct.unpack_from("<H", data, optional)[0], 0x10B, "not PE32")
        floor = WINDOWS_VERSIONS[FLOOR]
        # An older system refuses a program whose subsystem version is newer than its own.
        self.assertEqual(struct.unpack_from("<HH", data, optional + 40), floor, "OS version")
        self.assertEqual(struct.unpack_from("<HH", data, optional + 48), floor,
                         "subsystem version")
        manifest = subprocess.run(["wrestool", "-x", "--raw", "-t", "24", str(self.setup_exe)],
                                  capture_output=True, check=True).stdout
        named = [element.get("Id") for element in ElementTree.fromstring(manifest).iter(
            "{urn:schemas-microsoft-com:compatibility.v1}supportedOS")]
        self.assertEqual(named, list(SUPPORTED_OS))
        self.assertEqual(SUPPORTED_OS[named[0]], FLOOR)


class SigningTest(ReleaseCase):
    @classmethod
    def setUpClass(cls) -> None:
        cls.keys = Path(tempfile.mkdtemp(prefix="setup-signing-"))
        cls.certificate = ThrowawayCertificate(cls.keys)

    @classmethod
    def tearDownClass(cls) -> None:
        shutil.rmtree(cls.keys, ignore_errors=True)

    def test_signed_setup_exe_verifies_and_keeps_its_resources(self) -> None:
        image = self.folder / "signed.iso"
        run = self.make("--output", str(image), environment=self.certificate.environment())
        self.assert_made(run, image)
        self.assertIn("setup.exe: signed with", run.stdout)
        self.assertNotIn(ThrowawayCertificate.PASSWORD, run.stdout + run.stderr)
        signed = extract(image, self.folder / "read-back") / "setup.exe"
        verified = self.certificate.verify(signed)
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
        self.assertIn("Signature verification: ok", verified.stdout)
        self.assertIn("Message digest algorithm  : SHA256", verified.stdout)
        print("\n[release] " + "\n[release] ".join(
            line for line in verified.stdout.splitlines()
            if line.strip().startswith(("Subject", "Message digest algorithm", "Signing time",
                                        "Signature verification"))), file=sys.stderr)
        # The version block (16), the icons (3) and their group (14) are the build's.
        for kind in ("16", "3", "14"):
            resources = [subprocess.run(["wrestool", "-x", "--raw", "-t", kind, str(file)],
                                        capture_output=True, check=True).stdout
                         for file in (signed, self.setup_exe)]
            self.assertTrue(resources[0], f"no resource of type {kind}")
            self.assertEqual(resources[0], resources[1], f"resources of type {kind}")
        # Without its signature it is the build's setup.exe, byte for byte.
        stripped = self.folder / "stripped.exe"
        subprocess.run(["osslsigncode", "remove-signature", "-in", str(signed), "-out",
                        str(stripped)], capture_output=True, check=True)
        self.assertEqual(sha256(stripped), sha256(self.setup_exe))

    def test_a_wrong_password_or_a_missing_certificate_makes_no_image(self) -> None:
        image = self.folder / "quorvan.iso"
        missing = self.keys / "missing.p12"
        cases = [
            ("wrong password", self.certificate.environment("not the password"),
             [str(self.certificate.pkcs12), "password"]),
            ("missing certificate", {**self.certificate.environment(),
                                     "SETUP_SIGN_PKCS12": str(missing)},
             [str(missing), "does not exist"]),
            ("no password", {"SETUP_SIGN_PKCS12": str(self.certificate.pkcs12)},
             ["SETUP_SIGN_PASSWORD"]),
        ]
        for name, environment, named in cases:
            with self.subTest(name):
                image.write_bytes(b"an older image")
                run = self.make("--output", str(image), environment=environment)
                self.assert_refused(run, image, *named)


if __name__ == "__main__":
    unittest.main()
