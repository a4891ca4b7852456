#!/usr/bin/python3
"""torvex from Python against the Python peers, on the same arrays in one run.

    PYTHONPATH=build/release/python /usr/bin/python3 bench/python_bench.py [--seconds S]

Two jobs, each as every package does it from Python:
- one superposition of two (N, 3) float64 arrays paired by row, rotation
  and RMSD wanted (calls per second): torvex.superpose_coords; Biopython's
  SVDSuperimposer and QCPSuperimposer; MDAnalysis's qcprot on centred
  arrays (the centring included, since the caller must do it) and
  rms.rmsd(superposition=True); gemmi's superpose_positions on Position
  lists converted once beforehand (its own input, so the conversion is not
  counted against it);
- all against all of M structures of N atoms (pairs per second):
  torvex.rmsd_matrix (the program's all-against-all engine: members
  centred once, only each pair's residual found) with one thread and with
  one per core, the others looping over the pairs in Python.
The structures are the bundled 1hpv chain A and B (758 atoms, 99 CA) and
noisy rotated copies of chain A. A missing peer is installed with apt when
running as root, else reported missing. Ratios are torvex's rate over the
peer's: above 1 means torvex is faster.
"""
import argparse
import importlib.util
import os
import subprocess
import sys
import time
import warnings

import numpy as np

PEER_PACKAGES = {"Bio": "python3-biopython", "MDAnalysis": "python3-mdanalysis",
                 "gemmi": "python3-gemmi"}
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def install_missing_peers():
    missing = [pkg for mod, pkg in PEER_PACKAGES.items() if importlib.util.find_spec(mod) is None]
    if missing and os.geteuid() == 0:
        print(f"installing {' '.join(missing)}", flush=True)
        subprocess.run(["apt-get", "install", "-y", "-qq", *missing], check=False,
                       env={**os.environ, "DEBIAN_FRONTEND": "noninteractive"},
                       stdout=subprocess.DEVNULL)


def rate(call, seconds):
    """Calls per second of call(), over at least `seconds` of repeated runs."""
    call()
    count, start = 0, time.perf_counter()
    batch = 1
    while True:
        for _ in range(batch):
            call()
        count += batch
        elapsed = time.perf_counter() - start
        if elapsed >= seconds:
            return count / elapsed
        batch = min(batch * 2, 1 << 16)


def pdb_coords(path, only_ca=False):
    rows = []
    with open(path, "rb") as f:
        for line in f:
            if line[:6] in (b"ATOM  ", b"HETATM") and line[17:20] != b"HOH":
                if not only_ca or line[12:16] == b" CA ":
                    rows.append([float(line[30:38]), float(line[38:46]), float(line[46:54])])
    return np.array(rows)


def pair_jobs():
    """name -> function(target, moving) giving (rmsd, rotation), for one pair."""
    jobs = {}
    import torvex
    jobs["torvex superpose_coords"] = lambda t, m, _: torvex.superpose_coords(t, m).rmsd
    try:
        from Bio.PDB.QCPSuperimposer import QCPSuperimposer
        from Bio.SVDSuperimposer import SVDSuperimposer

        def biopython(superimposer):
            def job(t, m, _):
                sup = superimposer()
                sup.set(t, m)
                sup.run()
                sup.get_rotran()
                return sup.get_rms()
            return job
        jobs["Biopython SVDSuperimposer"] = biopython(SVDSuperimposer)
        jobs["Biopython QCPSuperimposer"] = biopython(QCPSuperimposer)
    except ImportError:
        pass
    try:
        from MDAnalysis.analysis import rms
        from MDAnalysis.lib import qcprot

        def mda_qcprot(t, m, _):
            rotation = np.empty(9)
            return qcprot.CalcRMSDRotationalMatrix(t - t.mean(axis=0), m - m.mean(axis=0),
                                                   len(t), rotation, None)
        jobs["MDAnalysis qcprot"] = mda_qcprot
        jobs["MDAnalysis rms.rmsd"] = lambda t, m, _: rms.rmsd(m, t, center=True,
                                                               superposition=True)
    except ImportError:
        pass
    try:
        import gemmi
        jobs["gemmi superpose_positions"] = lambda t, m, positions: gemmi.superpose_positions(
            positions[0], positions[1]).rmsd
    except ImportError:
        pass
    return jobs


def as_positions(coords):
    try:
        import gemmi
    except ImportError:
        return None
    return [gemmi.Position(*row) for row in coords.tolist()]


def main():
    warnings.simplefilter("ignore", DeprecationWarning)  # a peer's import
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=float, default=0.5, help="per measurement")
    parser.add_argument("--frames", type=int, default=60, help="M of the all-against-all job")
    args = parser.parse_args()
    install_missing_peers()
    import torvex

    chain_a = os.path.join(ROOT, "examples", "1hpv_chainA.pdb")
    chain_b = os.path.join(ROOT, "examples", "1hpv_chainB.pdb")
    cases = {"99 CA": (pdb_coords(chain_a, True), pdb_coords(chain_b, True)),
             "758 atoms": (pdb_coords(chain_a), pdb_coords(chain_b))}
    jobs = pair_jobs()
    missing = [pkg for mod, pkg in PEER_PACKAGES.items() if importlib.util.find_spec(mod) is None]
    if missing:
        print(f"missing, not measured: {' '.join(missing)}")
    print(f"torvex {torvex.__version__}, Python {sys.version.split()[0]}, "
          f"NumPy {np.__version__}, {os.cpu_count()} cores, "
          f"load average {os.getloadavg()[0]:.1f}\n")

    print("One superposition (calls per second; ratio = torvex / peer)")
    print(f"{'':28}" + "".join(f"{name:>22}" for name in cases))
    mine = {}
    reference = {}
    for name, job in jobs.items():
        row = []
        for case, (t, m) in cases.items():
            extra = (as_positions(t), as_positions(m))
            result = job(t, m, extra)
            reference.setdefault(case, result)
            # Same job, same answer: every package's RMSD agrees.
            assert abs(result - reference[case]) < 1e-6, (name, case, result, reference[case])
            calls = rate(lambda: job(t, m, extra), args.seconds)
            if name.startswith("torvex"):
                mine[case] = calls
                row.append(f"{calls:>14,.0f}/s      ")
            else:
                row.append(f"{calls:>12,.0f}/s x{mine[case] / calls:>6.1f}")
        print(f"{name:28}" + "".join(f"{cell:>22}" for cell in row))

    rng = np.random.default_rng(19)
    base = cases["99 CA"][0]
    frames = []
    for _ in range(args.frames):
        q = rng.normal(size=4)
        a, b, c, d = q / np.linalg.norm(q)
        r = np.array([[a*a+b*b-c*c-d*d, 2*(b*c-a*d), 2*(b*d+a*c)],
                      [2*(b*c+a*d), a*a-b*b+c*c-d*d, 2*(c*d-a*b)],
                      [2*(b*d-a*c), 2*(c*d+a*b), a*a-b*b-c*c+d*d]])
        frames.append(base @ r.T + rng.normal(scale=1.0, size=base.shape))
    stack = np.array(frames)
    m = len(stack)
    pairs = m * (m - 1) // 2
    print(f"\nAll against all, {m} structures of {stack.shape[1]} atoms "
          f"({pairs} pairs; pairs per second; ratio = torvex, one thread / peer)")
    one_thread = pairs * rate(lambda: torvex.rmsd_matrix(stack, threads=1), args.seconds)
    every_core = pairs * rate(lambda: torvex.rmsd_matrix(stack), args.seconds)
    print(f"{'torvex rmsd_matrix, 1 thread':34}{one_thread:>14,.0f}/s")
    print(f"{'torvex rmsd_matrix, every core':34}{every_core:>14,.0f}/s")
    positions = [as_positions(frame) for frame in stack]
    for name, job in jobs.items():
        if name.startswith("torvex"):
            continue

        def loop():
            for i in range(m):
                for j in range(i + 1, m):
                    job(stack[i], stack[j], (positions[i], positions[j]))
        per_second = pairs * rate(loop, args.seconds)
        print(f"{name + ', Python loop':34}{per_second:>14,.0f}/s x{one_thread / per_second:>6.1f}")


if __name__ == "__main__":
    main()
