// A small JSON writer into a caller's fixed buffer: escaping, shortest reals
// and nesting, and nothing about what is written. The outermost object puts
// one key on a line, indented by two; anything nested stays on its key's
// line with ", " between items:
//   {
//     "n": 3,
//     "centre": [1.5, -2, 0.25],
//     "further": {"file": "b.pdb", "cut": false}
//   }
#pragma once

#include <string_view>

namespace app {

class JsonWriter {
 public:
  // Writes into out[0..capacity); the caller sizes the buffer for the most
  // it writes (a write past it is a programmer error).
  JsonWriter(char* out, int capacity) : out_(out), capacity_(capacity) {}

  void begin_object();
  void end_object();
  void begin_array();
  void end_array();
  // The key of the next value in the enclosing object.
  void key(std::string_view name);

  // A string of the given bytes: quote, backslash and control characters
  // escaped, valid UTF-8 kept, every other byte written as U+FFFD.
  //   q"\x01\xc3\xa9\xff -> "q\"\u0001é\ufffd"
  void string(std::string_view bytes);
  // The shortest text that reads back to the same float; null when the
  // value is not finite.
  //   0.1f -> 0.1   -2.0f -> -2   1e30f -> 1e+30   NaN -> null
  void real(float value);
  void integer(int value);
  void boolean(bool value);
  void null();
  // The end of the text: a line end after the outermost object.
  void finish();

  int length() const { return length_; }

 private:
  static constexpr int MAX_DEPTH = 8;

  void put(std::string_view text);
  // The separator before a value or a key at the current depth.
  void separate();
  void quoted(std::string_view bytes);
  void open(char bracket);
  void close(char bracket);

  char* out_;
  int capacity_;
  int length_ = 0;
  int depth_ = 0;
  bool first_[MAX_DEPTH] = {};
  bool after_key_ = false;
};

}  // namespace app
