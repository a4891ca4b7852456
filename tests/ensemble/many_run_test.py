"""The built program's runs over many structures, bytes and numbers:
  - the matrix and the JSON Lines of --all-vs-all --models on a real NMR
    ensemble, against a float64 least-squares fit made here with NumPy on
    coordinates read with gemmi (within 1e-6 A), CA and heavy atoms;
  - -j 1, -j 2 and -j 3 give the same bytes;
  - members that list different atoms: each entry as the single command
    line fits that pair;
  - --pairs-from with bad pairs among good ones: the bad reported with
    their status, the good fitted, their moved files those of the single
    command line, and the run's status the highest of any pair.
Exits 77 (skipped) when NumPy or python3-gemmi is missing.
Usage: many_run_test.py PROGRAM DATA_DIR"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

try:
    import gemmi
    import numpy as np
except ImportError as missing:
    print(f"{missing}: test skipped")
    sys.exit(77)

PROGRAM, DATA = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
MODERN = os.path.join(os.path.dirname(DATA), "data_modern")  # today's formats
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)


def run(*args, cwd):
    return subprocess.run([PROGRAM, *args], cwd=cwd, capture_output=True, timeout=300)


def members(path, atoms):
    """Coordinates of each model: CA of amino acids, or every atom but H."""
    structure = gemmi.read_structure(path)
    structure.remove_waters()
    out = []
    for model in structure:
        xyz = []
        for chain in model:
            for residue in chain:
                for atom in residue:
                    if atoms == "ca":
                        keep = atom.name == "CA" and gemmi.find_tabulated_residue(
                            residue.name) is not None and gemmi.find_tabulated_residue(
                            residue.name).is_amino_acid()
                    else:
                        keep = atom.element.name not in ("H", "D")
                    if keep:
                        xyz.append(atom.pos.tolist())
        out.append(np.array(xyz, dtype=np.float64))
    return out


def reference_rmsd(a, b):
    a = a - a.mean(axis=0)
    b = b - b.mean(axis=0)
    u, s, vt = np.linalg.svd(a.T @ b)
    d = np.sign(np.linalg.det(u @ vt))
    e = (a * a).sum() + (b * b).sum() - 2.0 * (s[0] + s[1] + d * s[2])
    return np.sqrt(max(e, 0.0) / len(a))


def read_matrix(text):
    lines = text.decode().splitlines()
    names = lines[0].split("\t")[1:]
    rows = [line.split("\t") for line in lines[1:]]
    check([r[0] for r in rows] == names, "matrix rows named as its columns")
    return names, np.array([r[1:] for r in rows], dtype=float)


scratch = tempfile.mkdtemp(prefix="torvex-many-")
try:
    ensemble = "1adz.pdb.gz"
    shutil.copy(os.path.join(MODERN, ensemble), scratch)

    # Matrix and JSON Lines against the reference.
    for atoms in ("ca", "heavy"):
        done = run("--all-vs-all", "--models", "--atoms", atoms, "-q", "--matrix", "m.tsv",
                   "--json", "p.jsonl", ensemble, cwd=scratch)
        check(done.returncode == 0 and done.stdout == b"" and done.stderr == b"",
              f"{atoms}: status 0, nothing on the console under -q ({done.stderr[-300:]})")
        coordinates = members(os.path.join(scratch, ensemble), atoms)
        m = len(coordinates)
        reference = np.zeros((m, m))
        for i in range(m):
            for j in range(i + 1, m):
                reference[i, j] = reference[j, i] = reference_rmsd(coordinates[i], coordinates[j])
        with open(os.path.join(scratch, "m.tsv"), "rb") as f:
            names, matrix = read_matrix(f.read())
        check(names == [f"{ensemble}#{k}" for k in range(1, m + 1)], f"{atoms}: member names")
        check(matrix.shape == (m, m), f"{atoms}: a {m} x {m} matrix")
        if matrix.shape == (m, m):
            worst = np.abs(matrix - reference).max()
            check(worst < 1e-6, f"{atoms}: matrix within 1e-6 A of float64 (off by {worst:.2e})")
            check((matrix == matrix.T).all(), f"{atoms}: matrix symmetric")
        with open(os.path.join(scratch, "p.jsonl")) as f:
            lines = [json.loads(line) for line in f]
        check(len(lines) == m * (m - 1) // 2, f"{atoms}: one JSON line per pair")
        k = 0
        for i in range(m):
            for j in range(i + 1, m):
                if k >= len(lines):
                    break
                line = lines[k]
                check(line["target"] == names[i] and line["moving"] == names[j],
                      f"{atoms}: line {k} is pair ({i}, {j}), the first member the target")
                check(abs(line["rmsd"] - reference[i, j]) < 1e-6,
                      f"{atoms}: JSON rmsd of ({i}, {j}) within 1e-6 A")
                check(line["atoms_fitted"] == len(coordinates[0]), f"{atoms}: atoms_fitted")
                k += 1

    # The same bytes for every number of threads.
    outputs = []
    for threads in ("1", "2", "3"):
        done = run("--all-vs-all", "--models", "-j", threads, "--matrix", "-", ensemble,
                   cwd=scratch)
        json_done = run("--all-vs-all", "--models", "-j", threads, "--json", "-", ensemble,
                        cwd=scratch)
        outputs.append((done.stdout, json_done.stdout))
    check(outputs[0] == outputs[1] == outputs[2] and outputs[0][0] and outputs[0][1],
          "-j 1, -j 2 and -j 3 write the same matrix and JSON Lines")

    # An output that would replace an input, under another name or not.
    os.symlink("1adz.pdb.gz", os.path.join(scratch, "link.gz"))
    for output in ("1adz.pdb.gz", "link.gz"):
        done = run("--all-vs-all", "--models", "--matrix", output, ensemble, cwd=scratch)
        check(done.returncode == 2 and b"would replace an input" in done.stderr,
              f"--matrix {output}: refused, status 2")
    with open(os.path.join(scratch, ensemble), "rb") as a, \
            open(os.path.join(MODERN, ensemble), "rb") as b:
        check(a.read() == b.read(), "the ensemble is left as it was")

    # Members that list different atoms (two proteins, two chains of each):
    # each pair paired on its own, each entry the single command line's RMSD.
    files = ["1hpv_chainA.pdb", "1hpv_chainB.pdb", "1adz_model1.pdb", "1adz_model2.pdb"]
    for name in files:
        shutil.copy(os.path.join(DATA, name), scratch)
    done = run("--all-vs-all", "--atoms", "ca", "--matrix", "-", *files, cwd=scratch)
    check(done.returncode == 0, "members of different atoms: status 0")
    names, matrix = read_matrix(done.stdout)
    for i in range(len(files)):
        for j in range(i + 1, len(files)):
            single = run("--atoms", "ca", "--json", "-", "-o", "single.out", files[i], files[j],
                         cwd=scratch)
            if single.returncode == 0:
                expected = json.loads(single.stdout)["rmsd"]
                check(abs(matrix[i, j] - expected) < 5e-7,
                      f"{files[j]} onto {files[i]}: the single run's RMSD {expected}")
            else:
                check(np.isnan(matrix[i, j]), f"{files[j]} onto {files[i]}: nan, as it has no fit")

    # Options that make each pair its own fit: one chain onto another, and
    # trimming. The entry is the single command line's RMSD.
    for name in ("1k6p.cif", "1k6p.cif.gz"):
        shutil.copy(os.path.join(MODERN, name), scratch)
    for options in (["--chains", "A:B"], ["--trim", "2"]):
        done = run("--all-vs-all", "--atoms", "ca", *options, "--matrix", "-", "1k6p.cif",
                   "1k6p.cif.gz", cwd=scratch)
        names, matrix = read_matrix(done.stdout)
        single = run("--atoms", "ca", *options, "--json", "-", "-o", "single.out.cif.gz",
                     "1k6p.cif", "1k6p.cif.gz", cwd=scratch)
        expected = json.loads(single.stdout)["rmsd"]
        check(done.returncode == 0 and abs(matrix[0, 1] - expected) < 5e-7,
              f"{' '.join(options)}: {matrix[0, 1]}, the single run's {expected}")

    # A list with bad pairs among good ones.
    shutil.copy(os.path.join(DATA, "1OWD_A.pdb"), scratch)
    with open(os.path.join(scratch, "two.pdb"), "w") as f:  # two atoms: no fit
        f.write("ATOM      1  CA  PRO A   1       0.000   0.000   0.000  1.00  0.00           C\n"
                "ATOM      2  CA  GLN A   2       3.800   0.000   0.000  1.00  0.00           C\n")
    listing = ("# target, moving, results\n"
               "1hpv_chainA.pdb\t1hpv_chainB.pdb\n"
               "1hpv_chainA.pdb\tmissing.pdb\n"
               "1adz_model1.pdb\t1adz_model2.pdb\tout_2on1.pdb\n"
               "1hpv_chainA.pdb\tonly one name\n"
               "1hpv_chainA.pdb\ttwo.pdb\n"
               "\n"
               "1hpv_chainA.pdb\t1OWD_A.pdb\t1hpv_chainB.pdb\n")
    with open(os.path.join(scratch, "pairs.tsv"), "w") as f:
        f.write(listing)
    done = run("--pairs-from", "pairs.tsv", "--json", "out_2on1.pdb", cwd=scratch)
    check(done.returncode == 2 and not os.path.exists(os.path.join(scratch, "out_2on1.pdb")),
          "--json naming a results file of the list: refused before any fit")
    done = run("--pairs-from", "pairs.tsv", "--json", "fits.jsonl", "-j", "2", cwd=scratch)
    with open(os.path.join(scratch, "fits.jsonl")) as f:
        fits = [json.loads(line) for line in f]
    check([f["line"] for f in fits] == [2, 3, 4, 5, 6, 8], "one JSON line per listed pair")
    status = {f["line"]: f["status"] for f in fits}
    check(status.get(2) == 0 and status.get(4) == 0, "the good pairs fitted")
    check(status.get(3) == 2, "a missing file: status 2")
    check(status.get(5) == 2, "a line of the wrong shape: status 2")
    check(status.get(6) == 1, "fewer than three pairs of atoms: status 1")
    check(status.get(8) == 1, "a results file that is an input of the list: status 1")
    check(done.returncode == 2, f"the run's status is the highest of any pair ({done.returncode})")
    check(done.stderr.decode().count("pairs.tsv line") == 4, "a line on standard error per failure")
    for line, target, moving, results in ((2, "1hpv_chainA.pdb", "1hpv_chainB.pdb",
                                           "1hpv_chainB_mvd.pdb"),
                                          (4, "1adz_model1.pdb", "1adz_model2.pdb",
                                           "out_2on1.pdb")):
        single = run("-q", "-o", "single.pdb", "--match", "residue", target, moving, cwd=scratch)
        with open(os.path.join(scratch, "single.pdb"), "rb") as a, \
                open(os.path.join(scratch, results), "rb") as b:
            check(a.read() == b.read(), f"line {line}: the moved file of the single command line")
    with open(os.path.join(scratch, "1hpv_chainB.pdb"), "rb") as a, \
            open(os.path.join(DATA, "1hpv_chainB.pdb"), "rb") as b:
        check(a.read() == b.read(), "an input named as results is left as it was")
finally:
    shutil.rmtree(scratch)

if failures:
    sys.exit(1)
print("many-structure runs agree with the float64 reference and the single command line")
