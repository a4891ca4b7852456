// Coordinate record pass. Its tests for coordinate and water records are the
// reader's, applied to the same lines, so the k-th moved record here is atom
// k of the fit and carries row k of the deviation table.
#include "output/record_pass.hpp"

#include <cstring>
#include <string_view>

#include "fit/rotation.hpp"
#include "output/names.hpp"
#include "structure/atom_set.hpp"
#include "structure/reader.hpp"

namespace output {

using formatted_io::Format;
using formatted_io::Unit;
using formatted_io::write_record;
using structure::LINE_LEN;
using structure::MAX_ATOMS;

namespace {

// Copies and moves records until the end of the file, the MAX_ATOMS-th line,
// or (with a limit) the first coordinate record past `limit`. Returns the
// number of moved records written.
int copy_and_move(formatted_io::Io& io, const fit::FitResult& fit, int limit,
                  const structure::AtomSet* moved) {
  static constexpr Format LINE_FORMAT("(a)");
  static constexpr Format COORDINATE_FORMAT("(a30,3f8.3,a12)");
  static constexpr Format MOVED_FORMAT("(a30,3f8.3,a12,4f6.3)");
  formatted_io::LineText<LINE_LEN> text;
  int ordinal = 0;
  for (int lines = 0; lines < MAX_ATOMS; ++lines) {
    if (formatted_io::read_record<LINE_FORMAT>(io, Unit::Structure, true, text) ==
        formatted_io::ReadResult::EndOfFile) {
      break;
    }
    const char* line = text.data;
    if (!structure::is_coordinate_record(line)) {
      write_record<LINE_FORMAT>(io, Unit::Results, std::string_view(line, LINE_LEN));
      continue;
    }
    if (structure::is_water_residue(line + 17)) continue;  // columns 18-20
    if (++ordinal > limit) return limit;
    std::string_view leading(line, 30);        // columns 1-30
    std::string_view trailing(line + 54, 12);  // columns 55-66
    char leading_read[30];
    char trailing_read[12];
    float point[3];
    float dx = 0.0f, dy = 0.0f, dz = 0.0f, total = 0.0f;
    // A comma ends a numeric field early and shifts the trailing text, so
    // only comma-free coordinate columns (31-54) may skip the field reads.
    const bool plain_columns = std::memchr(line + 30, ',', 24) == nullptr;
    if (moved != nullptr && plain_columns) {
      // The fit moved atom k from these very fields with transform_point;
      // its stored result is the same bits as moving the fields again.
      for (int c = 0; c < 3; ++c) point[c] = moved->xyz[c][ordinal - 1];
    } else {
      formatted_io::read_internal<COORDINATE_FORMAT>(io, line, LINE_LEN, leading_read, point[0],
                                                     point[1], point[2], trailing_read);
      leading = std::string_view(leading_read, 30);
      trailing = std::string_view(trailing_read, 12);
      fit::transform_point(fit, point);
    }
    if (moved != nullptr) {
      const float* row = fit.deviation[ordinal - 1];
      dx = row[0];
      dy = row[1];
      dz = row[2];
      total = fit::atom_total_deviation(fit, ordinal);
    }
    write_record<MOVED_FORMAT>(io, Unit::Results, leading, point[0], point[1], point[2], trailing,
                               dx, dy, dz, total);
  }
  return ordinal;
}

void report_written(formatted_io::Io& io, const char* results_name, int written) {
  static constexpr Format WRITTEN("(a,a,a,i5/)");
  write_record<WRITTEN>(io, formatted_io::CONSOLE, " Atoms written to results file ",
                        cut_name(results_name), ":", written);
}

}  // namespace

void run_results_pass(formatted_io::Io& io, const char* moving_name, const char* results_name,
                      const structure::AtomSet& moved, const fit::FitResult& fit) {
  static constexpr Format READ_COUNT("(a,a,a,i5)");
  const int n = moved.count;
  formatted_io::rewind_channel(io, Unit::Structure);
  const int written = copy_and_move(io, fit, n, &moved);
  write_record<READ_COUNT>(io, formatted_io::CONSOLE, " Atoms read from probe file ",
                           cut_name(moving_name), ":", n);
  report_written(io, results_name, written);
  formatted_io::close_channel(io, Unit::Structure);
  formatted_io::close_channel(io, Unit::Target);
  formatted_io::close_channel(io, Unit::Results);
}

void run_further_pass(formatted_io::Io& io, const char* results_name, const fit::FitResult& fit) {
  int written = 0;
  try {
    written = copy_and_move(io, fit, MAX_ATOMS, nullptr);
  } catch (formatted_io::Stop& stop) {
    structure::locate_coordinates(io, Unit::Structure, stop);
    throw;
  }
  report_written(io, results_name, written);
}

}  // namespace output
