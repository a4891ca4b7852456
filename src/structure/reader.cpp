// The structure file reader. Lines and coordinate fields are taken through
// the same formatted reads as every other line, so a coordinate field obeys
// the one F8.3 input rule whatever its form (no point, embedded blanks,
// signs, exponents).
#include "structure/reader.hpp"

#include "formatted_io/stops.hpp"

namespace structure {

using formatted_io::Format;

bool is_field_error(const formatted_io::Stop& stop) {
  return stop.run_time_error && (stop.error == formatted_io::RunTimeError::NotANumber ||
                                 stop.error == formatted_io::RunTimeError::OutOfRange);
}

void locate_coordinates(formatted_io::Io& io, formatted_io::Unit unit, formatted_io::Stop& stop) {
  if (!is_field_error(stop)) return;
  // Found again from the top, off the path of every line read: a handler
  // around the reading loops would cost each line a few instructions.
  formatted_io::Channel& channel = io.channel(unit);
  if (!channel.rewind()) return;
  // Lines taken as they stand, padded with blanks as the reader's are.
  char line[LINE_LEN];
  for (int lines = 1; lines <= MAX_ATOMS; ++lines) {
    formatted_io::LineView view;
    if (channel.read_view(io.line, view) != formatted_io::LineStatus::Ok) return;
    const int length = view.length < LINE_LEN ? view.length : LINE_LEN;
    std::memset(line, ' ', LINE_LEN);
    std::memcpy(line, view.data, static_cast<std::size_t>(length));
    if (!is_coordinate_record(line) || is_water_residue(line + 17)) continue;
    int pos = 30;  // columns 31-54
    float xyz = 0.0f;
    for (int c = 0; c < 3; ++c) {
      if (formatted_io::get_fixed<8, 3>(line, LINE_LEN, pos, xyz) !=
          formatted_io::FieldStatus::Ok) {
        formatted_io::locate(stop, channel.name(), lines,
                             stop.error == formatted_io::RunTimeError::OutOfRange
                                 ? "columns 31-54 hold a number beyond the single-precision range"
                                 : "columns 31-54 do not hold three numbers");
        return;
      }
    }
  }
}

namespace {

// The reading loop, kept apart from the handler in read_structure.
[[gnu::noinline]] bool read_lines(formatted_io::Io& io, formatted_io::Unit unit, AtomSet& atoms) {
  static constexpr Format LINE_FORMAT("(a)");
  static constexpr Format COORDINATES_FORMAT("(30x,3f8.3)");
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
    formatted_io::read_internal<COORDINATES_FORMAT>(io, line, LINE_LEN, atoms.xyz[0][k],
                                                    atoms.xyz[1][k], atoms.xyz[2][k]);
    std::memcpy(atoms.residue[k].data(), line + 17, 3);
    // Columns 15-16; column 17 (alternate location) is not kept.
    std::memcpy(atoms.atom_type[k].data(), line + 14, 2);
  }
  return true;
}

}  // namespace

bool read_structure(formatted_io::Io& io, formatted_io::Unit unit, AtomSet& atoms) {
  atoms.count = 0;
  try {
    if (!read_lines(io, unit, atoms)) return false;
  } catch (formatted_io::Stop& stop) {
    locate_coordinates(io, unit, stop);
    throw;
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
