"""TORVEX: least-squares superposition of molecular structures by
Kearsley's quaternion method, with the same arithmetic and the same files
as the torvex program.

    >>> import numpy as np, torvex
    >>> target = np.array([[0., 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]])
    >>> fit = torvex.superpose_coords(target, target + [1.0, 2.0, 3.0])
    >>> fit.translation
    array([-1., -2., -3.])

    >>> fit = torvex.legacy_fit("1hpv_chainA.pdb", "1hpv_chainB.pdb",
    ...                         "1hpv_chainB_mvd.pdb")
    >>> fit.n, round(fit.rmsd, 4)
    (758, 0.9627)

superpose_coords  (N, 3) arrays paired by row, in double precision -> Fit
rmsd_matrix       all against all: an (M, N, 3) array -> (M, M) RMSDs
legacy_fit        the program's legacy run: PDB files paired by order, the
                  results file byte for byte -> LegacyFit
Error             the base of every exception raised here (torvex.errors)
"""

from .errors import (
    CountMismatchError,
    CreateError,
    Error,
    NoAtomsError,
    NoFitError,
    NoSuchModelError,
    NotConvergedError,
    OpenError,
    RecordError,
    TooManyAtomsError,
    UnreadableError,
)
from . import _torvex
from ._torvex import Fit, LegacyFit, __version__, legacy_fit, superpose_coords


def rmsd_matrix(items, threads=None):
    """The RMSD of every pair of structures after their best superposition.

    items:   an (M, N, 3) array-like, M structures of N atoms paired by index
    threads: worker threads; None for one per core

    Returns a symmetric (M, M) float64 array with a zero diagonal; the pairs
    are fitted with the GIL released.

        >>> import numpy as np
        >>> frames = np.random.default_rng(1).normal(size=(4, 50, 3))
        >>> torvex.rmsd_matrix(frames).shape
        (4, 4)

    Raises ValueError for another shape, NoFitError for fewer than three
    atoms.
    """
    return _torvex.rmsd_matrix_coords(items, threads)


__all__ = [
    "CountMismatchError",
    "CreateError",
    "Error",
    "Fit",
    "LegacyFit",
    "NoAtomsError",
    "NoFitError",
    "NoSuchModelError",
    "NotConvergedError",
    "OpenError",
    "RecordError",
    "TooManyAtomsError",
    "UnreadableError",
    "legacy_fit",
    "rmsd_matrix",
    "superpose_coords",
]
