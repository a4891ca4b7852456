"""The Snakemake workflow of examples/batch on bundled structures, run here:
its merged table must hold, row by row, what the single command line gives
for each pair (status, atoms fitted, RMSD), its moved files must be the
single command line's, a bad pair must be a row of its own, and the pictures
and the report must come out.
Exits 77 (skipped) when snakemake or matplotlib is not installed.
Usage: batch_example_test.py PROGRAM WORKFLOW_DIR DATA_DIR"""
import csv
import json
import os
import shutil
import subprocess
import sys
import tempfile

PROGRAM, WORKFLOW, DATA = (os.path.abspath(a) for a in sys.argv[1:4])

if shutil.which("snakemake") is None:
    print("snakemake is not installed: test skipped")
    sys.exit(77)
if subprocess.run(["/usr/bin/python3", "-c", "import matplotlib, scipy"],
                  capture_output=True).returncode != 0:
    print("matplotlib or scipy is not installed for snakemake's python: test skipped")
    sys.exit(77)

PAIRS = [("1hpv_chainA.pdb", "1hpv_chainB.pdb"), ("1hpv_chainA.pdb", "1k6p.cif"),
         ("d1yeb__.pdb.gz", "d2pcbb_.pdb.gz"), ("1hpv_chainA.pdb", "1OWD_A.pdb"),
         ("1hpv_chainA.pdb", "missing.pdb")]

scratch = tempfile.mkdtemp(prefix="torvex-batch-")
try:
    shutil.copytree(WORKFLOW, os.path.join(scratch, "flow"), ignore=shutil.ignore_patterns(
        ".snakemake", "chunks", "moved", "summaries", "matrices", "distances", "pictures",
        "logs", "fits.tsv", "report.html"))
    flow = os.path.join(scratch, "flow")
    os.mkdir(os.path.join(flow, "data"))
    for name in {n for pair in PAIRS for n in pair if n != "missing.pdb"} | {"1adz.pdb.gz"}:
        found = os.path.join(DATA, name)
        if not os.path.exists(found):
            found = os.path.join(DATA, "..", "data_modern", name)
        shutil.copy(found, os.path.join(flow, "data"))
    with open(os.path.join(flow, "list.tsv"), "w") as listing:
        listing.write("# the bundled structures\n")
        listing.writelines(f"data/{t}\tdata/{m}\n" for t, m in PAIRS)
    options = ["--atoms", "ca", "--trim", "2"]
    settings = ["--config", "pairs=list.tsv", f"torvex={PROGRAM}", "chunk_size=2",
                "ensembles=[data/1adz.pdb.gz]", "profiles=2", "options=" + " ".join(options)]
    subprocess.run(["snakemake", "--cores", "2", "--quiet", *settings], cwd=flow, check=True,
                   timeout=600, stdin=subprocess.DEVNULL)

    with open(os.path.join(flow, "fits.tsv")) as f:
        rows = list(csv.DictReader(f, delimiter="\t"))
    assert len(rows) == len(PAIRS), rows
    for row, (target, moving) in zip(rows, PAIRS):
        assert (row["target"], row["moving"]) == (f"data/{target}", f"data/{moving}"), row
        single = subprocess.run([PROGRAM, *options, "--json", "-", "-o", "single.out",
                                 f"data/{target}", f"data/{moving}"], cwd=flow,
                                capture_output=True, timeout=60)
        assert int(row["status"]) == single.returncode, (row, single.stderr)
        if single.returncode != 0:
            assert row["error"] and not row["rmsd"], row
            continue
        summary = json.loads(single.stdout)
        assert int(row["atoms_fitted"]) == summary["atoms_fitted"], (row, summary)
        assert float(row["rmsd"]) == summary["rmsd"], (row, summary)
        with open(os.path.join(flow, "single.out"), "rb") as a, \
                open(os.path.join(flow, row["results"]), "rb") as b:
            assert a.read() == b.read(), row["results"]
    assert rows[-1]["status"] == "2", rows[-1]

    for picture in ("pictures/1adz_heatmap.png", "pictures/pair_L2.png", "pictures/pair_L3.png"):
        with open(os.path.join(flow, picture), "rb") as f:
            assert f.read(8) == b"\x89PNG\r\n\x1a\n", picture
    # Snakemake 7 puts scripts and licences fetched from the network into its
    # report: without a network only the pictures are checked.
    report = subprocess.run(["snakemake", "--quiet", "--report", "report.html", *settings],
                            cwd=flow, timeout=300, stdin=subprocess.DEVNULL, capture_output=True,
                            text=True)
    if report.returncode == 0:
        assert os.path.getsize(os.path.join(flow, "report.html")) > 10000
        made = "report and pictures written"
    else:
        assert "ConnectionError" in report.stderr or "NewConnectionError" in report.stderr, \
            report.stderr[-2000:]
        made = "pictures written; no network for the report's scripts"
    print(f"{len(rows)} pairs as the single command line has them; {made}")
finally:
    shutil.rmtree(scratch)
