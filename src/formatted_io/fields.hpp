// Text and integer fields, and the status a field reader hands back to the
// stream layer, which turns a failure into the run-time error stop.
#pragma once

#include <string>
#include <string_view>

namespace formatted_io {

// What a field reader found. Anything but Ok ends the run in the caller.
enum class FieldStatus { Ok, NotANumber, OutOfRange, EndOfFile };

// Aw output into `out`: exactly `width` characters.
//   put_text("ATOM", 6, out) -> "  ATOM"     (right-justified)
//   put_text("HETATM", 3, out) -> "HET"      (cut to the width)
void put_text(std::string_view item, int width, char* out);

// Iw output into `out`: exactly `width` characters, no plus sign, asterisks
// when the digits do not fit.
//   put_integer(10000, 6, out) -> " 10000"
//   put_integer(123, 2, out)   -> "**"
void put_integer(int value, int width, char* out);
std::string put_integer(int value, int width);

// A / Aw input of an item of `length` characters from `line` (its `line_length`
// characters are the line's data) at `pos`, which moves on. Positions past the
// end of the line read as blanks: a short line pads, it never fails.
//   "(a1)" of an empty line -> " "
void get_text(const char* line, int line_length, int& pos, char* item, int length,
              int width);

}  // namespace formatted_io
