// The JSON writer. Written once per run, so plain std::to_chars is all the
// reals need: it gives the shortest text that reads back to the same float.
#include "app/json_writer.hpp"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>

#include "formatted_io/utf8.hpp"

namespace app {

void JsonWriter::put(std::string_view text) {
  assert(length_ + static_cast<int>(text.size()) <= capacity_);
  std::memcpy(out_ + length_, text.data(), text.size());
  length_ += static_cast<int>(text.size());
}

void JsonWriter::separate() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (depth_ == 0) return;
  if (!first_[depth_]) put(", ");
  first_[depth_] = false;
}

void JsonWriter::open(char bracket) {
  separate();
  assert(depth_ + 1 < MAX_DEPTH);
  put({&bracket, 1});
  first_[++depth_] = true;
}

void JsonWriter::close(char bracket) {
  // The outermost object ends on a line of its own.
  if (depth_ == 1 && bracket == '}' && !first_[depth_]) put("\n");
  put({&bracket, 1});
  --depth_;
}

void JsonWriter::begin_object() { open('{'); }
void JsonWriter::end_object() { close('}'); }
void JsonWriter::begin_array() { open('['); }
void JsonWriter::end_array() { close(']'); }

void JsonWriter::key(std::string_view name) {
  if (depth_ == 1) {
    put(first_[depth_] ? "\n  " : ",\n  ");
    first_[depth_] = false;
  } else {
    separate();
  }
  quoted(name);
  put(": ");
  after_key_ = true;
}

void JsonWriter::string(std::string_view bytes) {
  separate();
  quoted(bytes);
}

void JsonWriter::quoted(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const int size = static_cast<int>(bytes.size());
  put("\"");
  for (int i = 0; i < size;) {
    const unsigned char c = s[i];
    if (c == '"' || c == '\\') {
      const char escape[] = {'\\', static_cast<char>(c)};
      put({escape, 2});
      ++i;
    } else if (c < 0x20) {
      constexpr char HEX[] = "0123456789abcdef";
      const char escape[] = {'\\', 'u', '0', '0', HEX[c >> 4], HEX[c & 15]};
      put({escape, 6});
      ++i;
    } else if (const std::size_t n =
                   formatted_io::utf8_length(s + i, static_cast<std::size_t>(size - i));
               n > 0) {
      put(bytes.substr(static_cast<std::size_t>(i), n));
      i += static_cast<int>(n);
    } else {
      put("\\ufffd");
      ++i;
    }
  }
  put("\"");
}

void JsonWriter::real(float value) {
  if (!std::isfinite(value)) {
    null();
    return;
  }
  separate();
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value);
  put({digits, static_cast<std::size_t>(end.ptr - digits)});
}

void JsonWriter::integer(int value) {
  separate();
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, value);
  put({digits, static_cast<std::size_t>(end.ptr - digits)});
}

void JsonWriter::boolean(bool value) {
  separate();
  put(value ? "true" : "false");
}

void JsonWriter::null() {
  separate();
  put("null");
}

void JsonWriter::finish() { put("\n"); }

}  // namespace app
