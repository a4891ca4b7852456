#!/usr/bin/python3
"""All against all: how fast torvex fills the RMSD matrix of an ensemble,
and how fast the field's peers fill the same matrix on this machine.

  bench/all_vs_all.py build/release/torvex [--members 1000] [--repeat 3]

Ensembles: the 30 models of a real NMR entry (tests/data_modern/1adz.pdb.gz), and
a generated ensemble of one real structure (examples/1hpv_chainA.pdb, 99
residues): N members, each the structure with every atom moved by a
deterministic Gaussian step (sigma 0.5 A), turned and shifted at random
(seeded; nothing is stored). Atoms: CA, and every heavy atom. Threads: 1, 2.

torvex is timed as a whole process: start, reading and parsing the file,
pairing, the matrix, writing it; beside it, the same run on three atoms a
member, which is nearly all start, reading and writing. The peers (MDTraj's rmsd, MDAnalysis's
rms.rmsd) are timed on the matrix alone, from coordinates in memory, their
loading reported beside it; MDAnalysis, a Python loop over pairs, is timed on
the first members only and its rate taken from those. Rates count the pairs
of the matrix, M (M - 1) / 2 for M members, for every tool (MDTraj computes
each of them twice, both ways round). Best of --repeat runs. A peer that is
not installed is installed with apt-get when the benchmark runs as root."""
import argparse
import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# One process per peer and ensemble: the file is loaded once (a 1000-model
# PDB file takes MDTraj a minute), then every atom choice and thread count
# is timed on it. MDTraj's rmsd (OpenMP) gets its threads by threadpoolctl.
# A line per run:
#   atoms threads members atom_count load_seconds matrix_seconds
PEER_CODE = r"""
import sys, time
import numpy as np
tool, path, limit, repeat, out = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
SELECT = {"ca": "name CA", "heavy": "not element H and not resname HOH"}
t0 = time.perf_counter()
if tool == "mdtraj":
    import mdtraj as md
    from threadpoolctl import threadpool_limits
    whole = md.load(path)
    load = time.perf_counter() - t0
    for atoms in ("ca", "heavy"):
        traj = whole.atom_slice(whole.topology.select(SELECT[atoms]))
        md.rmsd(traj, traj, 0)  # the first call sets things up: not timed
        for threads in (1, 2):
            best = None
            for _ in range(repeat):
                t1 = time.perf_counter()
                m = traj.n_frames
                matrix = np.empty((m, m))
                with threadpool_limits(limits=threads, user_api="openmp"):
                    for i in range(m):
                        matrix[i] = md.rmsd(traj, traj, i) * 10.0
                t = time.perf_counter() - t1
                best = t if best is None else min(best, t)
            np.save(f"{out}_{atoms}_{threads}.npy", matrix)
            print(atoms, threads, m, traj.n_atoms, load, best, flush=True)
else:
    import warnings
    warnings.filterwarnings("ignore")
    import MDAnalysis as mda
    from MDAnalysis.analysis import rms
    u = mda.Universe(path)
    groups = {atoms: u.select_atoms(SELECT[atoms]) for atoms in ("ca", "heavy")}
    frames = {atoms: [] for atoms in groups}
    for n, _ in enumerate(u.trajectory):
        if n == limit:
            break
        for atoms, group in groups.items():
            frames[atoms].append(group.positions.astype(np.float64))
    load = time.perf_counter() - t0
    for atoms in ("ca", "heavy"):
        f = frames[atoms]
        m = len(f)
        t1 = time.perf_counter()
        matrix = np.zeros((m, m))
        for i in range(m):
            for j in range(i + 1, m):
                matrix[i, j] = matrix[j, i] = rms.rmsd(f[j], f[i], center=True, superposition=True)
        np.save(f"{out}_{atoms}_1.npy", matrix)
        print(atoms, 1, m, len(groups[atoms]), load, time.perf_counter() - t1, flush=True)
"""

PEERS = {"mdtraj": "python3-mdtraj", "mdanalysis": "python3-mdanalysis"}
MODULES = {"mdtraj": "mdtraj", "mdanalysis": "MDAnalysis"}


def have_module(module):
    return subprocess.run(["/usr/bin/python3", "-c", f"import {module}"],
                          capture_output=True).returncode == 0


def ensure_peers():
    missing = [tool for tool in PEERS if not have_module(MODULES[tool])]
    if missing and os.geteuid() == 0:
        print("installing " + " ".join(PEERS[t] for t in missing), flush=True)
        subprocess.run(["apt-get", "install", "-y", "-qq", *(PEERS[t] for t in missing)],
                       check=False, stdout=subprocess.DEVNULL,
                       env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))
    return [tool for tool in PEERS if have_module(MODULES[tool])]


def read_atoms(path):
    """ATOM records of a PDB file (model 1), as lines."""
    with open(path) as f:
        return [line.rstrip("\n") for line in f if line.startswith("ATOM")]


def generate(path, members, seed=20):
    """members models of examples/1hpv_chainA.pdb, moved atom by atom."""
    atoms = read_atoms(os.path.join(ROOT, "examples", "1hpv_chainA.pdb"))
    xyz = np.array([[float(a[30:38]), float(a[38:46]), float(a[46:54])] for a in atoms])
    rng = np.random.default_rng(seed)
    with open(path, "w") as out:
        for m in range(members):
            q = rng.normal(size=4)
            q /= np.linalg.norm(q)
            w, x, y, z = q
            r = np.array([[1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)],
                          [2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)],
                          [2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)]])
            moved = (xyz + rng.normal(scale=0.5, size=xyz.shape)) @ r.T + rng.normal(scale=10, size=3)
            out.write(f"MODEL     {m + 1:4d}\n")
            for line, (a, b, c) in zip(atoms, moved):
                # Columns 73-80 of the source hold an identifier, not element and
                # charge: blank, but for the element of the atom's name.
                element = line[12:14].strip()
                out.write(f"{line[:30]}{a:8.3f}{b:8.3f}{c:8.3f}{line[54:66]}{'':10}{element:>2}\n")
            out.write("ENDMDL\n")
        out.write("END\n")


def time_torvex(program, path, atoms, threads, repeat, matrix_path, select=None):
    """Best wall time of the whole process, the matrix, and the atoms fitted."""
    best = None
    extra = ["--select", select] if select else []
    for _ in range(repeat):
        start = time.perf_counter()
        done = subprocess.run([program, "--all-vs-all", "--models", "--atoms", atoms, "-j",
                               str(threads), *extra, "--matrix", matrix_path, path],
                              check=True, capture_output=True, text=True)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    # "30 members, 435 pairs, 71 atoms each"
    count = int(done.stdout.split(",")[2].split()[0])
    with open(matrix_path) as f:
        f.readline()
        matrix = np.array([line.split("\t")[1:] for line in f], dtype=float)
    return best, matrix, count


def run_peer(tool, path, repeat, limit, scratch):
    """{(atoms, threads): (members, atom count, load s, matrix s, matrix)}."""
    env = dict(os.environ, OMP_NUM_THREADS="2", OPENBLAS_NUM_THREADS="1")
    out = os.path.join(scratch, tool)
    done = subprocess.run(["/usr/bin/python3", "-c", PEER_CODE, tool, path, str(limit),
                           str(repeat), out], env=env, capture_output=True, text=True)
    if done.returncode != 0:
        print(f"  {tool} failed: {done.stderr.strip().splitlines()[-1:]}")
    runs = {}
    for line in done.stdout.split("\n"):
        if not line:
            continue
        atoms, threads, members, count, load, seconds = line.split()
        runs[(atoms, int(threads))] = (int(members), int(count), float(load), float(seconds),
                                       np.load(f"{out}_{atoms}_{threads}.npy"))
    return runs


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("program")
    parser.add_argument("--members", type=int, default=1000)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--mdanalysis-members", type=int, default=100)
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    peers = ensure_peers()
    scratch = tempfile.mkdtemp(prefix="torvex-bench-")
    try:
        nmr = os.path.join(scratch, "1adz.pdb")
        with gzip.open(os.path.join(ROOT, "tests", "data_modern", "1adz.pdb.gz")) as f, open(nmr, "wb") as out:
            shutil.copyfileobj(f, out)
        generated = os.path.join(scratch, f"1hpv_A_x{args.members}.pdb")
        generate(generated, args.members)
        ensembles = [("1adz NMR, 30 models", nmr), (f"1hpv A x{args.members}", generated)]
        header = f"{'ensemble':24} {'atoms':>9} {'thr':>3} {'tool':10} {'seconds':>8} " \
                 f"{'pairs/s':>10} {'atom pairs/s':>13} {'ours/peer':>9}  max|diff| A"
        print(header)
        print("-" * len(header))
        for label, path in ensembles:
            peer_runs = {tool: run_peer(tool, path, args.repeat, args.mdanalysis_members
                                        if tool == "mdanalysis" else 10 ** 9, scratch)
                         for tool in peers}
            for atoms in ("ca", "heavy"):
                for threads in (1, 2):
                    seconds, ours, n = time_torvex(program, path, atoms, threads, args.repeat,
                                                   os.path.join(scratch, "matrix.tsv"))
                    # The same run on three atoms a member: start, reading and writing.
                    base = time_torvex(program, path, "ca", threads, args.repeat,
                                       os.path.join(scratch, "base.tsv"), "//*/1-3/CA")[0]
                    members = len(ours)
                    per_s = members * (members - 1) / 2 / seconds
                    print(f"{label:24} {atoms + ' ' + str(n):>9} {threads:>3} {'torvex':10} "
                          f"{seconds:8.3f} {per_s:10.0f} {per_s * n:13.3g} {'':>9}  (whole process;"
                          f" {base:.3f} s of it on 3 atoms a member)")
                    for tool, runs in peer_runs.items():
                        if (atoms, threads) not in runs:
                            continue
                        m, count, load, compute, matrix = runs[(atoms, threads)]
                        if count != n:
                            print(f"  {tool} chose {count} atoms, torvex {n}: not compared")
                            continue
                        diff = np.abs(matrix - ours[:m, :m]).max()
                        peer = m * (m - 1) / 2 / compute
                        print(f"{'':24} {'':>9} {threads:>3} {tool:10} {compute:8.3f} "
                              f"{peer:10.0f} {peer * n:13.3g} {per_s / peer:9.2f}  {diff:.1e}"
                              f"  (matrix of {m} from memory; loading {load:.1f} s not counted)")
                    sys.stdout.flush()
    finally:
        shutil.rmtree(scratch)


if __name__ == "__main__":
    main()
