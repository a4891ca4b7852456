// Real number fields, in three parts: the decimal digits of a value
// (decimal_digits.hpp), their layout in Fw.d and Ew.d output fields
// (real_layout.hpp), and the Fw.d reader (fixed_input.hpp). The record
// functions call the forms below, whose width and decimals are constants;
// they try the routes of real_routes.hpp in turn.
#pragma once

#include "formatted_io/decimal_digits.hpp"
#include "formatted_io/fixed_direct.hpp"
#include "formatted_io/fixed_input.hpp"
#include "formatted_io/fixed_word_reader.hpp"
#include "formatted_io/fixed_word_writer.hpp"
#include "formatted_io/real_layout.hpp"

namespace formatted_io {

template <int WIDTH, int DECIMALS>
inline void put_fixed(float value, char* out) {
  if (detail::put_fixed_word<WIDTH, DECIMALS>(value, out)) return;
  if (!detail::put_fixed_direct(value, WIDTH, DECIMALS, out)) {
    detail::put_fixed_general(value, WIDTH, DECIMALS, out);
  }
}

template <int WIDTH, int DECIMALS>
inline FieldStatus get_fixed(const char* line, int line_length, int& pos, float& value) {
  if constexpr (detail::WORD_READER<WIDTH, DECIMALS>) {
    // Takes exactly the fields the column route takes.
    if (detail::get_fixed_word<WIDTH, DECIMALS>(line, line_length, pos, value)) {
      return FieldStatus::Ok;
    }
  } else if constexpr (detail::COLUMN_READER<WIDTH, DECIMALS>) {
    if (detail::get_fixed_columns<WIDTH, DECIMALS>(line, line_length, pos, value)) {
      return FieldStatus::Ok;
    }
  }
  if (detail::get_fixed_direct(line, line_length, pos, WIDTH, DECIMALS, value)) {
    return FieldStatus::Ok;
  }
  return detail::get_fixed_general(line, line_length, pos, WIDTH, DECIMALS, value);
}

}  // namespace formatted_io
