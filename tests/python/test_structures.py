"""read, superpose, write and rmsd_matrix over structures: atoms and
coordinates as python3-gemmi reads them, fits against the float64 Kabsch
reference on the pairs the fit reports, moved files read back, and every
error of the structure run."""
import gzip
import os
import shutil

import numpy as np
import pytest
import torvex
from conftest import TEST_DATA, kabsch

gemmi = pytest.importorskip("gemmi")
MODERN = os.path.join(TEST_DATA, "..", "data_modern")


def gemmi_atoms(path, model=0):
    """(identities, coordinates) of one model as gemmi reads it: waters
    left out, the first conformer of alternate locations."""
    if ".pdb" in path:
        # Columns 79-80 (charge) of the bundled files hold other text.
        opener = gzip.open if path.endswith(".gz") else open
        with opener(path, "rt") as f:
            st = gemmi.read_pdb_string("".join(line.rstrip("\r\n")[:78] + "\n" for line in f))
    else:
        st = gemmi.read_structure(path)
    st.remove_waters()
    ids, xyz = [], []
    for chain in st[model]:
        for res in chain.first_conformer():
            for atom in res.first_conformer():
                ids.append((chain.name, res.seqid.num, res.seqid.icode, res.name, atom.name,
                            atom.element.name))
                xyz.append(atom.pos.tolist())
    return ids, np.array(xyz)


@pytest.mark.parametrize("name, fmt, gz", [("1hpv_chainA.pdb", "pdb", False),
                                           ("../data_modern/1k6p.cif", "mmcif", False),
                                           ("../data_modern/1k6p.cif.gz", "mmcif", True)])
def test_reads_what_gemmi_reads(name, fmt, gz):
    path = os.path.join(TEST_DATA, name)
    s = torvex.read(path)
    ids, xyz = gemmi_atoms(path)
    assert (s.format, s.gzipped, s.model, s.path) == (fmt, gz, 1, path)
    # In file order; gemmi groups an mmCIF file's atoms by chain.
    mine = sorted(zip(map(tuple, s.atoms), map(tuple, s.coords)))
    assert len(s) == len(ids) and mine == sorted(zip(ids, map(tuple, xyz)))


def test_coords_are_a_read_only_view():
    s = torvex.read(os.path.join(TEST_DATA, "1hpv_chainA.pdb"))
    view = s.coords
    assert view.shape == (758, 3) and view.dtype == np.float64
    assert not view.flags.writeable and np.shares_memory(view, s.coords)
    with pytest.raises(ValueError):
        view[0, 0] = 1.0
    copy = np.array(view)
    copy[0, 0] = 1.0
    assert s.coords[0, 0] == 13.12
    del s  # the view keeps the structure's storage
    assert view[0, 0] == 13.12


def test_models_and_selections():
    path = os.path.join(MODERN, "1adz.pdb.gz")
    first, third = torvex.read(path), torvex.read(path, model=3, select="//A//CA")
    assert first.models == third.models > 3 and third.model == 3
    assert third.selection == "//A//CA" and {a.name for a in third.atoms} == {"CA"}
    ids, xyz = gemmi_atoms(path, model=2)
    ca = [k for k, a in enumerate(ids) if a[4] == "CA"]
    assert np.array_equal(third.coords, xyz[ca])
    assert repr(third) == f"<torvex.Structure '{path}' model 3, {len(ca)} atoms>"


def test_superpose_fits_the_pairs_it_reports():
    target = torvex.read(os.path.join(TEST_DATA, "1hpv_chainA.pdb"))
    moving = torvex.read(os.path.join(TEST_DATA, "1hpv_chainB.pdb"))
    for atoms, count in (("all", 758), ("ca", 99), ("backbone", 396)):
        fit = torvex.superpose(target, moving, atoms=atoms)
        ti, mi = fit.pairs
        assert len(ti) == count == fit.atoms_fitted
        for i, j in zip(ti, mi):
            a, b = target.atoms[i], moving.atoms[j]
            assert (a.residue_number, a.residue, a.name) == (b.residue_number, b.residue, b.name)
        r, t, rmsd = kabsch(target.coords[ti], moving.coords[mi])
        assert abs(fit.rmsd - rmsd) < 1e-6 and np.abs(fit.rotation - r).max() < 1e-9
        assert fit.unpaired == (0, 0) and fit.residue_identity == 1.0


def test_trimming_keeps_the_core():
    target = torvex.read(os.path.join(TEST_DATA, "1hpv_chainA.pdb"))
    moving = torvex.read(os.path.join(TEST_DATA, "1hpv_chainB.pdb"))
    fit = torvex.superpose(target, moving, trim=2.0, cycles=5)
    ti, mi = fit.pairs
    kept = fit.fitted
    assert 0 < kept.sum() == fit.atoms_fitted < len(ti) and 1 <= fit.cycles_run <= 5
    r, t, rmsd = kabsch(target.coords[ti[kept]], moving.coords[mi[kept]])
    assert abs(fit.rmsd - rmsd) < 1e-6 and np.abs(fit.rotation - r).max() < 1e-9
    distances = np.linalg.norm(fit.apply(moving.coords[mi]) - target.coords[ti], axis=1)
    assert fit.rmsd_paired == pytest.approx(np.sqrt((distances ** 2).mean()), abs=1e-9)
    assert fit.rmsd_untrimmed == pytest.approx(kabsch(target.coords, moving.coords)[2], abs=1e-6)
    assert torvex.superpose(target, moving, trim=2.0, cycles=0).atoms_fitted == 758


def test_pairing_modes_and_chains():
    a = torvex.read(os.path.join(MODERN, "conv_1tii_chainD.cif"))
    b = torvex.read(os.path.join(MODERN, "conv_1tii_chainE.cif"))
    by_residue = torvex.superpose(a, b, atoms="ca")
    by_sequence = torvex.superpose(a, b, match="sequence", atoms="ca")
    assert by_sequence.atoms_fitted >= by_residue.atoms_fitted > 3
    named = torvex.superpose(a, b, atoms="ca",
                             chains=[(a.atoms[0].chain, b.atoms[0].chain)])
    assert named.rmsd == by_residue.rmsd
    short = torvex.read(os.path.join(TEST_DATA, "1hpv_chainB.pdb"), select="//B/1-50")
    full = torvex.read(os.path.join(TEST_DATA, "1hpv_chainA.pdb"))
    with pytest.raises(torvex.CountMismatchError):
        torvex.superpose(full, short, match="order")
    assert torvex.superpose(full, short, match="order", yes=True).atoms_fitted == len(short)


def test_write_moves_only_the_coordinates(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    for name in ("1hpv_chainA.pdb", "1hpv_chainB.pdb"):
        shutil.copy(os.path.join(TEST_DATA, name), name)
    shutil.copy(os.path.join(MODERN, "1k6p.cif.gz"), "1k6p.cif.gz")
    fit = torvex.superpose(torvex.read("1hpv_chainA.pdb"), torvex.read("1hpv_chainB.pdb"))
    assert torvex.write(fit, "1hpv_chainB.pdb") == "1hpv_chainB_mvd.pdb"
    before = open("1hpv_chainB.pdb", "rb").read().splitlines()
    after = open("1hpv_chainB_mvd.pdb", "rb").read().splitlines()
    assert len(before) == len(after)
    for old, new in zip(before, after):
        assert old[:30] == new[:30] and old[54:] == new[54:]
    moved = fit.apply(torvex.read("1hpv_chainB.pdb").coords)
    assert np.abs(torvex.read("1hpv_chainB_mvd.pdb").coords - moved).max() <= 0.0005 + 1e-9

    assert torvex.write(fit, "1k6p.cif.gz", tmp_path / "out.cif.gz") == str(tmp_path / "out.cif.gz")
    with gzip.open("out.cif.gz") as f:
        assert f.read(5) == b"data_"
    original = gemmi.cif.read("1k6p.cif.gz").sole_block()
    written = gemmi.cif.read("out.cif.gz").sole_block()
    xyz = lambda block: np.array([[float(v) for v in block.find_values(f"_atom_site.Cartn_{c}")]
                                  for c in "xyz"]).T
    assert np.abs(xyz(written) - fit.apply(xyz(original))).max() <= 0.0005 + 1e-9
    ids = lambda block: list(block.find_values("_atom_site.label_atom_id"))
    assert ids(written) == ids(original)


def program_matrix(tmp_path, *args):
    """The cells of the program's --all-vs-all matrix, row by row, as text."""
    from conftest import PROGRAM
    if not PROGRAM:
        pytest.skip("the program's path is not given")
    import subprocess
    subprocess.run([PROGRAM, "--all-vs-all", "-q", "--matrix", str(tmp_path / "m.tsv"), *args],
                   check=True, capture_output=True)
    rows = [line.split("\t") for line in (tmp_path / "m.tsv").read_text().splitlines()]
    return [row[1:] for row in rows[1:]]


@pytest.mark.parametrize("atoms", ["ca", "heavy"])
def test_rmsd_matrix_of_an_ensemble_is_the_programs(tmp_path, atoms):
    # Members that list the same atoms: the engine of --all-vs-all --models.
    path = os.path.join(MODERN, "1adz.pdb.gz")
    models = [torvex.read(path, model=k) for k in range(1, 31)]
    matrix = torvex.rmsd_matrix(models, atoms=atoms, threads=2)
    table = program_matrix(tmp_path, "--models", f"--atoms={atoms}", path)
    assert [[f"{x:.6f}" for x in row] for row in matrix] == table
    assert np.array_equal(matrix, matrix.T) and not matrix.diagonal().any()
    assert np.array_equal(torvex.rmsd_matrix(tuple(models), atoms=atoms, threads=1), matrix)
    kept = torvex.superpose(models[0], models[0], atoms=atoms).pairs[0]
    stack = np.array([m.coords[kept] for m in models])
    # The same engine on the same atoms, whichever way they come in.
    assert np.array_equal(torvex.rmsd_matrix(stack, threads=3), matrix)
    for i, j in [(0, 1), (3, 17), (28, 29), (5, 0)]:
        assert abs(matrix[i, j] - kabsch(stack[min(i, j)], stack[max(i, j)])[2]) < 1e-6


def test_rmsd_matrix_of_structures_paired_each_on_its_own(tmp_path):
    # Chains A and B list different atoms: each pair is superpose's.
    names = ["1hpv_chainA.pdb", "1hpv_chainB.pdb"]
    items = [torvex.read(os.path.join(TEST_DATA, name)) for name in names]
    items.append(torvex.read(os.path.join(TEST_DATA, names[0]), select="//A/1-60"))
    matrix = torvex.rmsd_matrix(items, atoms="ca", threads=2)
    for i in range(3):
        for j in range(3):
            # Each pair is fitted once, the earlier structure as the target.
            first, second = min(i, j), max(i, j)
            expected = torvex.superpose(items[first], items[second], atoms="ca").rmsd
            assert matrix[i, j] == (0.0 if i == j else expected)
    table = program_matrix(tmp_path, "--atoms=ca", *[os.path.join(TEST_DATA, n) for n in names])
    assert f"{matrix[0, 1]:.6f}" == table[0][1]
    with pytest.raises(ValueError):
        torvex.rmsd_matrix(items, atoms="side chains")
    with pytest.raises(ValueError):
        torvex.rmsd_matrix(items, threads=0)
    with pytest.raises(TypeError):
        torvex.rmsd_matrix([items[0], items[1].coords])


def test_errors(tmp_path):
    pdb = os.path.join(TEST_DATA, "1hpv_chainA.pdb")
    with pytest.raises(torvex.OpenError) as caught:
        torvex.read(tmp_path / "missing.cif")
    assert caught.value.file == str(tmp_path / "missing.cif")
    bad = tmp_path / "bad.cif"
    bad.write_text('data_x\nloop_\n_atom_site.id\n_atom_site.Cartn_x\n1 2\n"unterminated\n')
    with pytest.raises(torvex.UnreadableError) as caught:
        torvex.read(bad)
    assert (caught.value.file, caught.value.line) == (str(bad), 6)
    with pytest.raises(torvex.UnreadableError):
        torvex.read(pdb, select="/////x[[")
    with pytest.raises(torvex.NoSuchModelError):
        torvex.read(pdb, model=2)
    with pytest.raises(ValueError):
        torvex.read(pdb, model=0)
    s = torvex.read(pdb)
    with pytest.raises(torvex.NoFitError, match="fewer than three"):
        torvex.superpose(s, torvex.read(pdb, select="//A/1-2/CA"))
    for bad_option in ({"match": "chain"}, {"atoms": "side"}, {"trim": -1.0}, {"cycles": -1}):
        with pytest.raises(ValueError):
            torvex.superpose(s, s, **bad_option)
    fit = torvex.superpose(s, s)
    with pytest.raises(torvex.CreateError) as caught:
        torvex.write(fit, pdb, pdb)
    assert caught.value.file == pdb
    with pytest.raises(torvex.OpenError):
        torvex.write(fit, tmp_path / "missing.pdb", tmp_path / "out.pdb")


@pytest.mark.parametrize("target, moving, options", [
    ("1hpv_chainA.pdb", "1hpv_chainB.pdb", {"atoms": "ca", "trim": 2.0}),
    ("../data_modern/1k6p.cif.gz", "../data_modern/1k6p.cif", {"match": "sequence", "atoms": "backbone"}),
])
def test_the_same_numbers_and_file_as_the_program(tmp_path, target, moving, options):
    from conftest import PROGRAM
    if not PROGRAM:
        pytest.skip("the program's path is not given")
    import json
    import subprocess
    flags = [f"--{key}={value}" for key, value in options.items()]
    moving_copy = tmp_path / os.path.basename(moving)
    shutil.copy(os.path.join(TEST_DATA, moving), moving_copy)
    run = subprocess.run([PROGRAM, "-q", "--json", "-", "-o", str(tmp_path / "program_mvd"),
                          *flags, os.path.join(TEST_DATA, target), str(moving_copy)],
                         capture_output=True, check=True)
    summary = json.loads(run.stdout)
    fit = torvex.superpose(torvex.read(os.path.join(TEST_DATA, target)),
                           torvex.read(moving_copy), **options)
    assert fit.rmsd == summary["rmsd"] and fit.rmsd_paired == summary["rmsd_paired"]
    assert fit.atoms_fitted == summary["atoms_fitted"] and len(fit.fitted) == summary["atoms_paired"]
    assert fit.rotation.tolist() == summary["transform"]["rotation"]
    assert fit.translation.tolist() == summary["transform"]["translation"]
    assert fit.residue_identity == summary["residue_identity"]
    torvex.write(fit, moving_copy, tmp_path / "module_mvd")
    assert (tmp_path / "module_mvd").read_bytes() == (tmp_path / "program_mvd").read_bytes()
