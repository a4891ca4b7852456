// The structure file reader. Lines and coordinate fields are taken through
// the same formatted reads as every other line, so a coordinate field obeys
// the one F8.3 input rule whatever its form (no point, embedded blanks,
// signs, exponents).
#include "structure/reader.hpp"

#include "formatted_io/stops.hpp"

namespace structure {

using formatted_io::Format;

void locate_coordinates(formatted_io::Stop& stop, const char* file, int line) {
  formatted_io::locate(stop, file, line,
                       stop.error == formatted_io::RunTimeError::OutOfRange
                           ? "columns 31-54 hold a number beyond the single-precision range"
                           : "columns 31-54 do not hold three numbers");
}

bool read_structure(formatted_io::Io& io, formatted_io::Unit unit, AtomSet& atoms) {
  static constexpr Format LINE_FORMAT("(a)");
  static constexpr Format COORDINATES_FORMAT("(30x,3f8.3)");
  atoms.count = 0;
  formatted_io::LineText<LINE_LEN> text;
  for (int lines = 0; lines < MAX_ATOMS; ++lines) {
    if (formatted_io::read_record<LINE_FORMAT>(io, unit, true, text) ==
        formatted_io::ReadResult::EndOfFile) {
      return false;
    }
    const char* line = text.data;
    // The text columns of the padded 80-character line cannot fail; they are
    // taken as they stand.
    if (!is_coordinate_record(line)) continue;
    if (is_water_residue(line + 17)) continue;  // columns 18-20
    const int k = atoms.count++;
    try {
      formatted_io::read_internal<COORDINATES_FORMAT>(io, line, LINE_LEN, atoms.xyz[0][k],
                                                      atoms.xyz[1][k], atoms.xyz[2][k]);
    } catch (formatted_io::Stop& stop) {
      locate_coordinates(stop, io.channel(unit).name(), lines + 1);
      throw;
    }
    std::memcpy(atoms.residue[k].data(), line + 17, 3);
    // Columns 15-16; column 17 (alternate location) is not kept.
    std::memcpy(atoms.atom_type[k].data(), line + 14, 2);
  }
  // Nobody reads the channel on from here: the results pass starts again
  // from the top.
  return has_more_lines(io, unit);
}

bool has_more_lines(formatted_io::Io& io, formatted_io::Unit unit) {
  static constexpr Format LINE_FORMAT("(a)");
  char line[1];
  return formatted_io::read_record<LINE_FORMAT>(io, unit, true, line) ==
         formatted_io::ReadResult::Ok;
}

}  // namespace structure
