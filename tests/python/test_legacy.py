"""legacy_fit: the program's results file byte for byte and its numbers, as
the program reports them; its errors as exceptions naming the file."""
import json
import os
import shutil
import subprocess

import numpy as np
import pytest
import torvex
from conftest import EXAMPLES, PROGRAM, TEST_DATA, kabsch, pdb_coords


def read(path):
    with open(path, "rb") as f:
        return f.read()


def test_writes_the_programs_results_file(scratch):
    torvex.legacy_fit("1hpv_chainA.pdb", "1hpv_chainB.pdb", "1hpv_chainB_mvd.pdb")
    assert read("1hpv_chainB_mvd.pdb") == read(
        os.path.join(EXAMPLES, "expected", "1hpv_chainB_mvd.pdb"))


def test_numbers_are_the_programs(scratch):
    if not PROGRAM:
        pytest.skip("the program's path is not given")
    fit = torvex.legacy_fit("1hpv_chainA.pdb", "1hpv_chainB.pdb", "mine_mvd.pdb")
    run = subprocess.run([PROGRAM, "-q", "--json", "-", "1hpv_chainA.pdb", "1hpv_chainB.pdb"],
                         capture_output=True, check=True)
    summary = json.loads(run.stdout)
    f32 = np.float32
    assert fit.n == summary["atoms_fitted"] == 758
    assert f32(fit.rmsd) == f32(summary["rmsd"])
    # Shortest decimal forms of floats: exact once read back as float32.
    for name in ("rotation", "translation", "target_centre", "moving_centre"):
        assert np.array_equal(getattr(fit, name).astype(np.float32),
                              np.array(summary[name], dtype=np.float32)), name
    assert fit.jacobi_rotations == 21 and fit.converged


def test_agrees_with_a_double_precision_fit(scratch):
    target = pdb_coords("1hpv_chainA.pdb")
    moving = pdb_coords("1hpv_chainB.pdb")
    r, t, rmsd = kabsch(target, moving)
    fit = torvex.legacy_fit("1hpv_chainA.pdb", "1hpv_chainB.pdb", "out.pdb")
    assert fit.rmsd == pytest.approx(rmsd, abs=1e-4)
    assert np.abs(fit.rotation - r).max() < 1e-4
    assert np.abs(fit.moved - (moving @ r.T + t)).max() < 1e-3
    assert fit.deviations.shape == (758, 4)
    assert np.abs(fit.deviations[:, 3] - np.linalg.norm(fit.moved - target, axis=1)).max() < 1e-3
    assert np.allclose(fit.eigenvectors.T @ fit.eigenvectors, np.eye(4), atol=1e-5)


def raised(call):
    with pytest.raises(torvex.Error) as caught:
        call()
    return caught.value


def test_errors_name_their_file(scratch):
    with open("bad.pdb", "wb") as f:
        f.write(b"ATOM      1  N   PRO A   1      1.000x  2.000   3.000\n")
    with open("empty.pdb", "wb") as f:
        f.write(b"REMARK nothing here\n")
    fit = torvex.legacy_fit
    error = raised(lambda: fit(scratch / "missing.pdb", "1hpv_chainB.pdb", "out.pdb"))
    assert type(error) is torvex.OpenError and error.file == str(scratch / "missing.pdb")
    assert str(error) == f"cannot open structure file {scratch / 'missing.pdb'}"
    error = raised(lambda: fit("1hpv_chainA.pdb", "bad.pdb", "out.pdb"))
    assert type(error) is torvex.RecordError
    assert (error.file, error.number, error.line) == ("bad.pdb", 6504, 1)
    error = raised(lambda: fit("1hpv_chainA.pdb", "empty.pdb", "out.pdb"))
    assert type(error) is torvex.NoAtomsError
    before = read("1hpv_chainB.pdb")
    error = raised(lambda: fit("1hpv_chainA.pdb", "1hpv_chainB.pdb", "./1hpv_chainB.pdb"))
    assert type(error) is torvex.CreateError and error.file == "./1hpv_chainB.pdb"
    assert read("1hpv_chainB.pdb") == before
    error = raised(lambda: fit("1hpv_chainA.pdb", "1hpv_chainB.pdb", "no/such/folder/out.pdb"))
    assert type(error) is torvex.CreateError
    assert isinstance(error, torvex.Error) and isinstance(error, Exception)


def test_the_readmes_example_runs(scratch):
    readme = open(os.path.join(EXAMPLES, "..", "README.md"), encoding="utf-8").read()
    section = readme[readme.index("## From Python"):]
    code = section[section.index("```python\n") + 10:section.index("```\n", 10)]
    names = {}
    exec(compile(code, "README.md", "exec"), names)
    assert names["fit"].atoms_fitted == 758 and round(names["fit"].rmsd, 3) == 0.963
    assert round(names["core"].rmsd, 3) == 0.157 and names["core"].atoms_fitted == 87
    assert open("1hpv_chainB_mvd.pdb", "rb").read() == read(
        os.path.join(EXAMPLES, "expected", "1hpv_chainB_mvd.pdb"))


def test_the_docstring_examples_run(scratch):
    import doctest
    import torvex.atom
    import torvex.errors
    shutil.copy(os.path.join(TEST_DATA, "..", "data_modern", "1adz.pdb.gz"), "1adz.pdb.gz")
    finder = doctest.DocTestFinder()
    attempted = 0
    for module in (torvex, torvex._torvex, torvex.errors, torvex.atom):
        for test in finder.find(module, globs={"torvex": torvex, "np": np}):
            runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE)
            result = runner.run(test)
            assert result.failed == 0, test.name
            attempted += result.attempted
    assert attempted > 30
