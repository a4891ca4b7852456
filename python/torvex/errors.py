"""The exceptions torvex raises: one class per kind of failure, all under
torvex.Error, each carrying the file (and line, where one is known) it
concerns.

    >>> try:
    ...     torvex.legacy_fit("missing.pdb", "b.pdb", "b_mvd.pdb")
    ... except torvex.OpenError as error:
    ...     print(error.file, "-", error)
    missing.pdb - cannot open structure file missing.pdb

Wrong arguments (an array of the wrong shape, an unknown option) raise
Python's own TypeError and ValueError.
"""


class Error(Exception):
    """Any failure of a torvex call.

    file:   the file the call was reading or writing, or None
    line:   the line of that file, counted from 1, or None
    number: for RecordError the program's run-time error number, else 0
    """

    def __init__(self, message, file=None, line=None, number=0):
        super().__init__(message)
        self.file = file
        self.line = line
        self.number = number


class OpenError(Error):
    """A structure file is missing, unreadable or a folder."""


class CreateError(Error):
    """A results file cannot be created, or would overwrite its own input."""


class RecordError(Error):
    """A record cannot be read or written, as the program reports it.

    number: 6501 end of file, 6504 a coordinate that is no number, 6505
    beyond the single-precision range, 6506 a record too long, 6507 a read
    that failed, 6508 a write that failed.
    """


class NoAtomsError(Error):
    """Nothing to fit: a structure holds no atoms."""


class TooManyAtomsError(Error):
    """A legacy run's structure holds more than 10000 atoms."""


class InvalidFitError(Error):
    """A fit handed back whose pair count does not match its rows."""


class UnreadableError(Error):
    """No structure file (by its content), or a selection that does not parse."""


class NoSuchModelError(Error):
    """The file has fewer models than the one asked for."""


class CountMismatchError(Error):
    """Atoms paired by order (match="order") and the counts differ."""


class NoFitError(Error):
    """Fewer than three pairs left to fit, or weights that sum to zero."""


class NotConvergedError(Error):
    """The eigen-solver did not converge, or a value is not finite."""
