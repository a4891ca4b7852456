from typing import Sequence

import numpy as np
import numpy.typing as npt

from ._torvex import Fit as Fit
from ._torvex import LegacyFit as LegacyFit
from ._torvex import Structure as Structure
from ._torvex import __version__ as __version__
from ._torvex import legacy_fit as legacy_fit
from ._torvex import read as read
from ._torvex import superpose as superpose
from ._torvex import superpose_coords as superpose_coords
from ._torvex import write as write
from .atom import Atom as Atom
from .errors import CountMismatchError as CountMismatchError
from .errors import CreateError as CreateError
from .errors import Error as Error
from .errors import NoAtomsError as NoAtomsError
from .errors import NoFitError as NoFitError
from .errors import NoSuchModelError as NoSuchModelError
from .errors import NotConvergedError as NotConvergedError
from .errors import OpenError as OpenError
from .errors import RecordError as RecordError
from .errors import TooManyAtomsError as TooManyAtomsError
from .errors import InvalidFitError as InvalidFitError
from .errors import UnreadableError as UnreadableError

def rmsd_matrix(items: Sequence[Structure] | npt.ArrayLike, atoms: str = "all",
                match: str = "residue", threads: int | None = None) -> npt.NDArray[np.float64]: ...
