"""TORVEX: least-squares superposition of molecular structures by
Kearsley's quaternion method, with the same arithmetic and the same files
as the torvex program.

    >>> import torvex
    >>> target = torvex.read("1hpv_chainA.pdb")        # PDB or mmCIF, plain or gzip
    >>> moving = torvex.read("1hpv_chainB.pdb")
    >>> fit = torvex.superpose(target, moving, atoms="ca")
    >>> round(fit.rmsd, 3), fit.atoms_fitted
    (0.232, 99)
    >>> torvex.write(fit, "1hpv_chainB.pdb")           # the moved file
    '1hpv_chainB_mvd.pdb'

    >>> import numpy as np, torvex
    >>> target = np.array([[0., 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]])
    >>> fit = torvex.superpose_coords(target, target + [1.0, 2.0, 3.0])
    >>> fit.translation
    array([-1., -2., -3.])

    >>> fit = torvex.legacy_fit("1hpv_chainA.pdb", "1hpv_chainB.pdb",
    ...                         "1hpv_chainB_mvd.pdb")
    >>> fit.n, round(fit.rmsd, 4)
    (758, 0.9627)

read              one model of a structure file -> Structure (coords, atoms)
superpose         two Structures paired by residue, sequence or order -> Fit
write             the moving file moved by a Fit, as the program writes it
superpose_coords  (N, 3) arrays paired by row, in double precision -> Fit
rmsd_matrix       all against all: Structures or an (M, N, 3) array -> (M, M)
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
    InvalidFitError,
    UnreadableError,
)
from . import _torvex
from .atom import Atom
from ._torvex import (
    Fit,
    LegacyFit,
    Structure,
    __version__,
    legacy_fit,
    read,
    superpose,
    superpose_coords,
    write,
)


def rmsd_matrix(items, atoms="all", match="residue", threads=None):
    """The RMSD of every pair of structures after their best superposition,
    by the program's all-against-all run (torvex --all-vs-all): the same
    numbers, to the last bit, for the same members and options.

    items:   a sequence of Structures, each pair matched and fitted as
             superpose(items[i], items[j], match, atoms) pairs them; or an
             (M, N, 3) array-like, M structures of N atoms paired by index
             (atoms and match do not apply)
    threads: worker threads; None for one per core

    One fit per unordered pair, the earlier item the target, so the result
    is symmetric with a zero diagonal. An array, and Structures that list
    the same atoms (the models of one NMR file, frames of one trajectory),
    are centred once each and only the residual of each pair is found (no
    rotation); Structures that list different atoms, or chains paired with
    other chains, are each pair superposed on its own. The GIL is released
    throughout.

        >>> import numpy as np
        >>> frames = np.random.default_rng(1).normal(size=(4, 50, 3))
        >>> torvex.rmsd_matrix(frames).shape
        (4, 4)
        >>> models = [torvex.read("1adz.pdb.gz", model=k) for k in (1, 2, 3)]
        >>> torvex.rmsd_matrix(models, atoms="ca").shape
        (3, 3)

    Raises ValueError for another shape, and what superpose raises.
    """
    if isinstance(items, (list, tuple)) and items and isinstance(items[0], Structure):
        return _torvex.rmsd_matrix_structures(items, match, atoms, threads)
    return _torvex.rmsd_matrix_coords(items, threads)


__all__ = [
    "Atom",
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
    "InvalidFitError",
    "UnreadableError",
    "Structure",
    "legacy_fit",
    "read",
    "rmsd_matrix",
    "superpose",
    "superpose_coords",
    "write",
]
