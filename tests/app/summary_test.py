"""The JSON summary, read by a real JSON parser and checked against what the
run wrote elsewhere: the console report, the results file's header and its
moved coordinates. Usage: summary_test.py PROGRAM VERSION DATA_DIR LONG_FILE"""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

PROGRAM, VERSION, DATA, LONG_FILE = sys.argv[1:5]
KEYS = ["version", "run", "target", "moving", "results", "further", "atoms_fitted", "rmsd",
        "target_centre", "moving_centre", "translation", "rotation", "transform",
        "line_limit_reached", "checks"]


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def run(folder, *args):
    return subprocess.run([PROGRAM, *args], cwd=folder, stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=60)


def columns(line, first, width, count):
    return [float(line[first + i * width:first + (i + 1) * width]) for i in range(count)]


class Summary(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="torvex-summary-")
        for name in os.listdir(DATA):
            shutil.copy(os.path.join(DATA, name), self.folder)

    def tearDown(self):
        shutil.rmtree(self.folder)

    def path(self, name):
        return os.path.join(self.folder, name)

    def test_agrees_with_console_and_results_file(self):
        done = run(self.folder, "--json", "s.json", "1hpv_chainA", "1hpv_chainB.pdb")
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(self.path("s.json"), "rb") as f:
            raw = f.read()
        s = json.loads(raw)
        self.assertEqual(list(s), KEYS)
        self.assertEqual(s["version"], VERSION)
        self.assertEqual((s["target"], s["moving"], s["results"], s["further"]),
                         ("1hpv_chainA.pdb", "1hpv_chainB.pdb", "1hpv_chainB_mvd.pdb", None))
        self.assertEqual(s["line_limit_reached"], {"target": False, "moving": False})
        self.assertEqual(s["checks"], {"counts_equal": True, "residue_mismatches": 0,
                                       "atom_type_mismatches": 0})
        console = done.stdout.decode().split("\r\n")
        # The console's first column steers the spacing and is not written.
        self.assertIn("Atoms read from moving file : %5d" % s["atoms_fitted"], console)
        centres = {line[:27]: columns(line, 28, 8, 3) for line in console if "Centre of" in line}
        for key, label in (("target_centre", "Centre of target molecule  "),
                           ("moving_centre", "Centre of moving molecule  ")):
            for got, shown in zip(s[key], centres[label]):
                self.assertAlmostEqual(got, shown, delta=0.0005)

        with open(self.path("1hpv_chainB_mvd.pdb"), "rb") as f:
            results = f.read().decode().split("\r\n")
        for got, written in zip(s["translation"], columns(results[10], 8, 12, 3)):
            self.assertAlmostEqual(got, written, delta=0.00005)
        for row, line in zip(s["rotation"], results[12:15]):
            for got, written in zip(row, columns(line, 8, 12, 3)):
                self.assertAlmostEqual(got, written, delta=0.0000005)
        self.assertAlmostEqual(s["rmsd"], float(results[15][51:63]), delta=0.00005)
        self.assertEqual(s["transform"]["rotation"], s["rotation"])
        for t, c, m in zip(s["translation"], s["target_centre"], s["moving_centre"]):
            self.assertAlmostEqual(t, c - m, delta=1e-5)

        # x' = R x + t moves every atom of the moving file onto its results record.
        rotation, shift = s["transform"]["rotation"], s["transform"]["translation"]
        with open(self.path("1hpv_chainB.pdb")) as f:
            moving = [line for line in f if line[:6] in ("ATOM  ", "HETATM") and line[17:20] != "HOH"]
        moved = [line for line in results if line[:6] in ("ATOM  ", "HETATM")]
        self.assertEqual(len(moved), s["atoms_fitted"])
        for before, after in zip(moving, moved):
            x = columns(before, 30, 8, 3)
            for i in range(3):
                expected = sum(rotation[i][j] * x[j] for j in range(3)) + shift[i]
                self.assertAlmostEqual(expected, float(after[30 + 8 * i:38 + 8 * i]), delta=0.0006)

        # Reals as stored: each text is the shortest that reads back to its float.
        numbers = [s["rmsd"], *s["target_centre"], *s["moving_centre"], *s["translation"],
                   *sum(s["rotation"], []), *shift]
        for value in numbers:
            stored = f32(value)
            digits = len(repr(value).lstrip("-0.").replace(".", "").split("e")[0].rstrip("0"))
            self.assertLessEqual(digits, 9)
            for fewer in range(1, digits):
                self.assertNotEqual(f32(float("%.*e" % (fewer - 1, value))), stored, value)

    def test_standard_output_holds_only_the_summary(self):
        done = run(self.folder, "--json", "-", "-y", "1FV9_A", "1OWD_A", "1adz_model1")
        self.assertEqual(done.returncode, 0, done.stderr)
        s = json.loads(done.stdout)
        self.assertEqual(s["further"], {"file": "1adz_model1.pdb", "results": "1adz_model1_mvd.pdb",
                                        "line_limit_reached": False})
        self.assertEqual(s["atoms_fitted"], 1933)

    def test_checks_count_what_the_console_listed(self):
        for pair in (("1FV9_A", "1OWD_A"), ("1hpv_chainA", "1OWD_A"), ("1OWD_A", "1adz_model1")):
            done = run(self.folder, "--json", "s.json", "-y", *pair)
            self.assertEqual(done.returncode, 0, done.stderr)
            with open(self.path("s.json")) as f:
                checks = json.load(f)["checks"]
            console = done.stdout.decode()
            self.assertEqual(checks, {
                "counts_equal": "number of atoms different" not in console,
                "residue_mismatches": console.count(", offending residue "),
                "atom_type_mismatches": console.count(", offending atom type ")}, pair)
            # Each pair is one that some check stops without -y.
            self.assertTrue(not checks["counts_equal"] or checks["residue_mismatches"] > 0
                            or checks["atom_type_mismatches"] > 0, pair)

    def test_no_summary_after_a_stop(self):
        done = run(self.folder, "--json", "s.json", "1FV9_A", "1OWD_A")
        self.assertEqual(done.returncode, 3)
        self.assertFalse(os.path.exists(self.path("s.json")))

    def test_names_escaped(self):
        # A quote, a backslash, a control character, UTF-8, and two bytes that
        # are not UTF-8 (written as U+FFFD).
        name = b'q"b\\c\x01\xc3\xa9\xff\x80'
        os.rename(self.path("1hpv_chainB.pdb"), os.path.join(os.fsencode(self.folder), name + b".pdb"))
        done = run(self.folder, "--json", "-", "1hpv_chainA", name)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertNotIn(b"\x01", done.stdout)
        s = json.loads(done.stdout)
        self.assertEqual(s["moving"], 'q"b\\c\x01\u00e9\ufffd\ufffd.pdb')
        self.assertEqual(s["results"], 'q"b\\c\x01\u00e9\ufffd\ufffd_mvd.pdb')

    def test_line_limit_reached(self):
        for name in ("a.pdb", "b.pdb", "c.pdb"):
            shutil.copy(LONG_FILE, self.path(name))
        done = run(self.folder, "--json", "s.json", "-y", "a", "b", "c")
        # Fitted and written, but on part of each file: not to be trusted.
        self.assertEqual(done.returncode, 4, done.stderr)
        self.assertEqual(done.stderr.decode(), "".join(
            "torvex: only the first 10000 lines of %s.pdb were read; the structure run reads "
            "it whole (for example --match order)\n" % name for name in "abc"))
        with open(self.path("s.json")) as f:
            s = json.load(f)
        self.assertEqual(s["line_limit_reached"], {"target": True, "moving": True})
        self.assertTrue(s["further"]["line_limit_reached"])
        console = done.stdout.decode()
        self.assertIn("Atoms read from moving file :     2\r\n\r\n"
                      "Warning: only the first 10000 lines of a.pdb were read\r\n"
                      "Warning: only the first 10000 lines of b.pdb were read\r\n", console)
        self.assertIn("Atoms written to results file c_mvd.pdb :    2\r\n\r\n"
                      "Warning: only the first 10000 lines of c.pdb were read\r\n"
                      "TORVEX terminated normally\r\n", console)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
