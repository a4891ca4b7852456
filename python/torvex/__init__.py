"""TORVEX: least-squares superposition of molecular structures by
Kearsley's quaternion method, with the same arithmetic and the same files
as the torvex program.

    >>> import torvex
    >>> fit = torvex.legacy_fit("1hpv_chainA.pdb", "1hpv_chainB.pdb",
    ...                         "1hpv_chainB_mvd.pdb")
    >>> fit.n, round(fit.rmsd, 4)
    (758, 0.9627)

legacy_fit   the program's legacy run: PDB files paired by order, the
             results file byte for byte
Error        the base of every exception raised here (torvex.errors)
"""

from .errors import (
    CreateError,
    Error,
    NoAtomsError,
    OpenError,
    RecordError,
    TooManyAtomsError,
)
from ._torvex import LegacyFit, __version__, legacy_fit

__all__ = [
    "CreateError",
    "Error",
    "LegacyFit",
    "NoAtomsError",
    "OpenError",
    "RecordError",
    "TooManyAtomsError",
    "legacy_fit",
]
