// Reading one structure file into an AtomSet.
#pragma once

#include "formatted_io/records.hpp"
#include "formatted_io/stops.hpp"
#include "structure/atom_set.hpp"

namespace structure {

// Reads at most MAX_ATOMS lines of the file open on `unit` from its current
// position and stores every coordinate record that is not water: x, y, z from
// columns 31-54 by the F8.3 input rule, the residue name and the atom type.
// Neither rewinds nor closes the channel. A coordinate field that is no number
// ends the run with the run-time error stop, which names the file and line. Returns true when the
// file holds lines past the MAX_ATOMS-th, which are not read: the atoms are then only a part of the
// structure.
//   "ATOM      1  N   MET A   1      27.340  24.430   2.614 ..."
//     -> xyz (27.34, 24.43, 2.614), residue "MET", atom_type "  "
bool read_structure(formatted_io::Io& io, formatted_io::Unit unit, AtomSet& atoms);

// Whether a stop comes from a numeric field that failed (no number, or out
// of range), rather than from reading the line.
bool is_field_error(const formatted_io::Stop& stop);

// For a stop from a coordinate field of the structure open on `unit`: names
// the first line of the file whose coordinate record's columns 31-54 do not
// read as three numbers, found again from the top of the file, with what is
// wrong with it ("columns 31-54 do not hold three numbers"). A stop of
// another kind, or a file that cannot be read again (a pipe), is left as it
// is. The channel's position is lost: the run is ending.
void locate_coordinates(formatted_io::Io& io, formatted_io::Unit unit, formatted_io::Stop& stop);

// Whether the file open on `unit` holds another line past its current
// position; that line is taken. Tells whether a read that stopped at the
// MAX_ATOMS-th line left part of the file unread.
bool has_more_lines(formatted_io::Io& io, formatted_io::Unit unit);

}  // namespace structure
