"""Atom identities, as torvex.Structure.atoms lists them."""
from typing import NamedTuple


class Atom(NamedTuple):
    """What an atom is, as its file names it (author chain and numbering).

        >>> torvex.read("1hpv_chainA.pdb").atoms[1]
        Atom(chain='A', residue_number=1, insertion_code=' ', residue='PRO', name='CA', element='C')
    """

    chain: str
    residue_number: int
    insertion_code: str  # ' ' for none
    residue: str
    name: str
    element: str
