"""Shared fixtures: the bundled files, a scratch folder to work in, and a
float64 NumPy reference fit (Kabsch, by singular value decomposition) that
shares nothing with torvex's quaternion method."""
import os
import shutil

import numpy as np
import pytest

EXAMPLES = os.environ.get("TORVEX_EXAMPLES", "")
TEST_DATA = os.environ.get("TORVEX_TEST_DATA", "")
PROGRAM = os.environ.get("TORVEX_PROGRAM", "")

# For the tests of structure files, which a build without gemmi cannot read.
requires_structure_run = pytest.mark.skipif(
    os.environ.get("TORVEX_STRUCTURE_RUN") == "OFF",
    reason="the module was built without the structure run")


@pytest.fixture
def scratch(tmp_path, monkeypatch):
    """A scratch folder holding the bundled pair, the working folder."""
    for name in ("1hpv_chainA.pdb", "1hpv_chainB.pdb"):
        shutil.copy(os.path.join(EXAMPLES, name), tmp_path / name)
    monkeypatch.chdir(tmp_path)
    return tmp_path


def kabsch(target, moving, weights=None):
    """(R, t, rmsd) of the weighted least-squares x' = R x + t, moving onto target."""
    target = np.asarray(target, dtype=np.float64)
    moving = np.asarray(moving, dtype=np.float64)
    w = np.ones(len(target)) if weights is None else np.asarray(weights, dtype=np.float64)
    ct = w @ target / w.sum()
    cm = w @ moving / w.sum()
    h = (moving - cm).T @ ((target - ct) * w[:, None])
    u, _, vt = np.linalg.svd(h)
    d = np.sign(np.linalg.det(vt.T @ u.T))
    r = vt.T @ np.diag([1.0, 1.0, d]) @ u.T
    t = ct - r @ cm
    moved = moving @ r.T + t
    rmsd = np.sqrt(w @ ((moved - target) ** 2).sum(axis=1) / w.sum())
    return r, t, rmsd


def random_rotation(rng):
    q = rng.normal(size=4)
    a, b, c, d = q / np.linalg.norm(q)
    return np.array([
        [a * a + b * b - c * c - d * d, 2 * (b * c - a * d), 2 * (b * d + a * c)],
        [2 * (b * c + a * d), a * a - b * b + c * c - d * d, 2 * (c * d - a * b)],
        [2 * (b * d - a * c), 2 * (c * d + a * b), a * a - b * b - c * c + d * d],
    ])


def pdb_coords(path):
    """The coordinates of the non-water ATOM/HETATM records, columns 31-54."""
    rows = []
    with open(path, "rb") as f:
        for line in f:
            if line[:6] in (b"ATOM  ", b"HETATM") and line[17:20] != b"HOH":
                rows.append([float(line[30:38]), float(line[38:46]), float(line[46:54])])
    return np.array(rows)
