"""The Snakemake workflow of examples/batch on the bundled structures: its
table and moved files must be those of torvex run on each pair by hand.
Exits 77 (skipped) when snakemake is not installed.
Usage: batch_example_test.py PROGRAM WORKFLOW_DIR DATA_DIR"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

PROGRAM, WORKFLOW, DATA = sys.argv[1:4]
REFERENCE = "1hpv_chainA.pdb"

if shutil.which("snakemake") is None:
    print("snakemake is not installed: test skipped")
    sys.exit(77)

scratch = tempfile.mkdtemp(prefix="torvex-batch-")
try:
    for name in ("Snakefile", "config.yaml"):
        shutil.copy(os.path.join(WORKFLOW, name), scratch)
    os.mkdir(os.path.join(scratch, "structures"))
    movings = sorted(name for name in os.listdir(DATA) if name != REFERENCE)
    for name in [REFERENCE, *movings]:
        shutil.copy(os.path.join(DATA, name), os.path.join(scratch, "structures"))
    with open(os.path.join(scratch, "list.txt"), "w") as listing:
        listing.write("# the bundled structures\n")
        listing.writelines(f"structures/{name}\n" for name in movings)
    subprocess.run(["snakemake", "--cores", "2", "--quiet", "--config",
                    f"reference=structures/{REFERENCE}", "structures=list.txt",
                    f"torvex={PROGRAM}"],
                   cwd=scratch, check=True, timeout=600, stdin=subprocess.DEVNULL)

    with open(os.path.join(scratch, "fits.tsv")) as f:
        rows = [line.rstrip("\n").split("\t") for line in f]
    assert rows[0] == ["moving", "status", "n", "rmsd"], rows[0]
    assert len(rows) == len(movings) + 1, rows
    by_hand = os.path.join(scratch, "by-hand")
    os.mkdir(by_hand)
    statuses = set()
    for row, name in zip(rows[1:], movings):
        stem = os.path.splitext(name)[0]
        done = subprocess.run([PROGRAM, "--json", "-", "-o", f"by-hand/{stem}.pdb",
                               f"structures/{REFERENCE}", f"structures/{name}"],
                              cwd=scratch, capture_output=True, timeout=60)
        assert row[0] == f"structures/{name}", row
        assert int(row[1]) == done.returncode, (row, done.returncode)
        statuses.add(done.returncode)
        if done.returncode == 3:
            # Stopped at a pairing check: no fit to report.
            assert row[2:] == ["", ""], row
            continue
        summary = json.loads(done.stdout)
        assert int(row[2]) == summary["atoms_fitted"], (row, summary)
        assert float(row[3]) == summary["rmsd"], (row, summary)
        with open(os.path.join(by_hand, f"{stem}.pdb"), "rb") as a, \
                open(os.path.join(scratch, "moved", f"{stem}_mvd.pdb"), "rb") as b:
            # The header's TITLE names the results file; the rest must agree.
            assert a.read().split(b"\r\n")[1:] == b.read().split(b"\r\n")[1:], name
    # The bundled structures hold fits and pairs stopped at a check.
    assert {0, 3} <= statuses, statuses
    print(f"{len(movings)} fits agree")
finally:
    shutil.rmtree(scratch)
