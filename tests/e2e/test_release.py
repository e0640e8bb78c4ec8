r"""The release: the installation CD image of scripts/make-cd.sh, a reproducible
setup.exe, and a signed one. No Wine here (test_installation_cd.py installs
from the image under Wine).

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
