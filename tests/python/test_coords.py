"""superpose_coords, Fit and rmsd_matrix on plain arrays against a float64
Kabsch reference; every argument error and fit error."""
import numpy as np
import pytest
import torvex
from conftest import kabsch, random_rotation


@pytest.fixture
def rng():
    return np.random.default_rng(19)


def noisy_copy(rng, target, noise):
    r = random_rotation(rng)
    return (target @ r.T + rng.normal(scale=10.0, size=3)
            + rng.normal(scale=noise, size=target.shape))


@pytest.mark.parametrize("n, noise", [(3, 0.0), (4, 0.5), (50, 1e-3), (758, 1.0), (5000, 3.0)])
def test_matches_the_reference(rng, n, noise):
    target = rng.normal(scale=15.0, size=(n, 3))
    moving = noisy_copy(rng, target, noise)
    r, t, rmsd = kabsch(target, moving)
    fit = torvex.superpose_coords(target, moving)
    assert fit.rmsd == pytest.approx(rmsd, abs=1e-9)
    assert np.abs(fit.rotation - r).max() < 1e-9
    assert np.abs(fit.translation - t).max() < 1e-8
    assert np.linalg.det(fit.rotation) == pytest.approx(1.0, abs=1e-12)
    assert np.abs(fit.apply(moving) - (moving @ r.T + t)).max() < 1e-8
    assert np.abs(fit.apply(moving[0]) - (r @ moving[0] + t)).max() < 1e-8
    assert fit.atoms_fitted == n and fit.fitted.all() and fit.fitted.shape == (n,)
    assert fit.rmsd_paired == fit.rmsd_untrimmed == fit.rmsd
    assert all(np.array_equal(k, np.arange(n)) for k in fit.pairs)
    assert fit.eigenvalues[3] == pytest.approx(n * rmsd * rmsd, abs=1e-6 * (1 + n))


def test_a_mirror_image_gets_a_rotation_not_a_reflection(rng):
    target = rng.normal(size=(20, 3))
    fit = torvex.superpose_coords(target, target * [1.0, 1.0, -1.0])
    r, _, rmsd = kabsch(target, target * [1.0, 1.0, -1.0])
    assert np.linalg.det(fit.rotation) == pytest.approx(1.0)
    assert fit.rmsd == pytest.approx(rmsd, abs=1e-9)


def test_weights(rng):
    target = rng.normal(scale=10.0, size=(30, 3))
    moving = noisy_copy(rng, target, 0.8)
    weights = rng.uniform(0.0, 3.0, size=30)
    weights[:5] = 0.0
    r, t, rmsd = kabsch(target, moving, weights)
    fit = torvex.superpose_coords(target, moving, weights=weights)
    assert fit.rmsd == pytest.approx(rmsd, abs=1e-9)
    assert np.abs(fit.rotation - r).max() < 1e-9
    # Zero weights are pairs left out.
    fit_rest = torvex.superpose_coords(target[5:], moving[5:], weights[5:])
    assert fit.rmsd == pytest.approx(fit_rest.rmsd, abs=1e-12)


def test_any_array_like_gives_the_same_fit(rng):
    target = rng.normal(size=(40, 3))
    moving = noisy_copy(rng, target, 0.3)
    fit = torvex.superpose_coords(target, moving)
    wide = np.zeros((40, 6))
    wide[:, ::2] = moving
    others = [torvex.superpose_coords(target.tolist(), moving.tolist()),
              torvex.superpose_coords(np.asfortranarray(target), wide[:, ::2]),
              torvex.superpose_coords(target, moving.astype(np.float32).astype(np.float64))]
    assert others[0].rmsd == fit.rmsd and np.array_equal(others[0].rotation, fit.rotation)
    assert others[1].rmsd == fit.rmsd and np.array_equal(others[1].translation, fit.translation)
    assert others[2].rmsd == pytest.approx(fit.rmsd, abs=1e-6)
    # The caller's arrays are read, never written.
    assert np.array_equal(wide[:, ::2], moving)


def test_argument_errors(rng):
    x = rng.normal(size=(10, 3))
    for target, moving in [(x[:, :2], x[:, :2]), (x, x[:9]), (x.ravel(), x.ravel()),
                           (x[None], x[None])]:
        with pytest.raises(ValueError):
            torvex.superpose_coords(target, moving)
    for weights in (np.ones(9), -np.ones(10), np.ones((10, 1))):
        with pytest.raises(ValueError):
            torvex.superpose_coords(x, x, weights=weights)
    with pytest.raises(TypeError):
        torvex.superpose_coords(x, "not coordinates")
    fit = torvex.superpose_coords(x, x)
    with pytest.raises(ValueError):
        fit.apply(np.zeros((4, 2)))


def test_fit_errors(rng):
    x = rng.normal(size=(10, 3))
    with pytest.raises(torvex.NoFitError, match="fewer than three pairs to fit: 2 given"):
        torvex.superpose_coords(x[:2], x[:2])
    with pytest.raises(torvex.NoFitError, match="weights sum to zero"):
        torvex.superpose_coords(x, x, np.zeros(10))
    y = x.copy()
    y[3, 1] = np.inf
    with pytest.raises(torvex.NotConvergedError) as caught:
        torvex.superpose_coords(x, y)
    assert caught.value.file is None and caught.value.line is None


def test_rmsd_matrix_matches_the_reference(rng):
    base = rng.normal(scale=8.0, size=(60, 3))
    frames = np.array([noisy_copy(rng, base, 0.2 + 0.3 * k) for k in range(7)])
    matrix = torvex.rmsd_matrix(frames)
    expected = np.zeros((7, 7))
    for i in range(7):
        for j in range(7):
            if i != j:
                expected[i, j] = kabsch(frames[i], frames[j])[2]
    assert matrix.shape == (7, 7) and matrix.dtype == np.float64
    assert np.abs(matrix - expected).max() < 1e-9
    assert np.array_equal(matrix, matrix.T) and not matrix.diagonal().any()
    for threads in (1, 2, 5, 100):
        assert np.array_equal(torvex.rmsd_matrix(frames, threads=threads), matrix)
    assert torvex.rmsd_matrix(frames[:1]).tolist() == [[0.0]]
    assert torvex.rmsd_matrix(np.zeros((0, 5, 3))).shape == (0, 0)


def test_rmsd_matrix_errors(rng):
    frames = rng.normal(size=(4, 10, 3))
    for bad in (frames[:, :, :2], frames[0]):
        with pytest.raises(ValueError):
            torvex.rmsd_matrix(bad)
    with pytest.raises(ValueError):
        torvex.rmsd_matrix(frames, threads=0)
    with pytest.raises(torvex.NoFitError):
        torvex.rmsd_matrix(frames[:, :2])
    frames[2, 4, 0] = np.nan
    with pytest.raises(torvex.NotConvergedError):
        torvex.rmsd_matrix(frames, threads=2)

