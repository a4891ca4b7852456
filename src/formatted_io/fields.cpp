// Text and integer fields. Both are plain character work on caller buffers so
// that a record is assembled without allocation.
#include "formatted_io/fields.hpp"

#include <cstring>

namespace formatted_io {

void put_text(std::string_view item, int width, char* out) {
  const int length = static_cast<int>(item.size());
  if (width >= length) {
    if (width > length) std::memset(out, ' ', static_cast<std::size_t>(width - length));
    // An empty item (an empty cut name) may have no storage at all.
    if (length > 0) std::memcpy(out + (width - length), item.data(), item.size());
  } else {
    std::memcpy(out, item.data(), static_cast<std::size_t>(width));
  }
}

void put_integer(int value, int width, char* out) {
  char digits[12];
  int n = 0;
  // Work on the magnitude as unsigned so that INT_MIN has a magnitude too.
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value)
                                 : static_cast<unsigned>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const int length = n + (value < 0 ? 1 : 0);
  if (length > width) {
    std::memset(out, '*', static_cast<std::size_t>(width));
    return;
  }
  int pos = 0;
  while (pos < width - length) out[pos++] = ' ';
  if (value < 0) out[pos++] = '-';
  while (n > 0) out[pos++] = digits[--n];
}

std::string put_integer(int value, int width) {
  std::string field(static_cast<std::size_t>(width), ' ');
  put_integer(value, width, field.data());
  return field;
}

void get_text(const char* line, int line_length, int& pos, char* item, int length,
              int width) {
  // Aw wider than the item skips its first characters; narrower fills the
  // item's tail with blanks.
  int take = length;
  if (width > 0 && width != length) {
    if (width > length) {
      pos += width - length;
    } else {
      take = width;
    }
  }
  int present = line_length - pos;
  if (present < 0) present = 0;
  if (present > take) present = take;
  if (present > 0) std::memcpy(item, line + pos, static_cast<std::size_t>(present));
  std::memset(item + present, ' ', static_cast<std::size_t>(length - present));
  pos += take;
}

}  // namespace formatted_io
