// Formatted records: one mechanism for every line written or read. A format
// is walked against the items of a statement; each data descriptor builds or
// takes one field; "/" ends a record, "$" ends one without a line end.
//
//   write_record<Format("(a,i5/)")>(io, CONSOLE, " Atoms :", 42)
//     -> record " Atoms :   42", then an empty record
//   "(4e12.5,i5)" with four items writes four E12.5 fields and no I5 field:
//     a data descriptor met after the last item ends the walk.
//
// The format is a template argument: the walk is done by the compiler, so a
// statement becomes straight-line code, one field writer or reader per item
// with its width and decimals as constants, and a file record is built in
// place in its channel's buffer. A format that does not fit its items (more
// items than data descriptors, nX on output, a record of constant fields
// longer than FILE_RECORD_MAX) does not compile.
//
// A failure that the caller does not handle (end of console input, a field
// that is no number, a refused write) ends the run here with the run-time
// error stop; these functions return only on success or a handled end.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "formatted_io/channel.hpp"
#include "formatted_io/console.hpp"
#include "formatted_io/fields.hpp"
#include "formatted_io/format.hpp"
#include "formatted_io/real_fields.hpp"

namespace formatted_io {

// The file channels of a run: the target structure, the moving (and later
// the further) structure, and the results file.
enum class Unit { Target, Structure, Results };
constexpr int CHANNEL_COUNT = 3;

// The console, a stream of its own kind: records written to it obey carriage
// control, and its end of input is never handled by the caller.
struct ConsoleUnit {};
inline constexpr ConsoleUnit CONSOLE{};

// Everything through which the run reads and writes: owned once by the run.
struct Io {
  Console console;
  Channel channels[CHANNEL_COUNT];
  char record[FILE_RECORD_MAX];  // console records are assembled here
  Line line;                     // a line that did not lie whole in a buffer

  Channel& channel(Unit unit) { return channels[static_cast<int>(unit)]; }
};

// A text item read in place: after the read, `data` points at N characters:
// the line's own when it holds them all, else `padded`, the line's rest
// followed by blanks. Valid until the next read of the same stream.
template <int N>
struct LineText {
  const char* data = nullptr;
  char padded[N];
};

enum class ReadResult { Ok, EndOfFile };

template <Format F, typename... Items>
void write_record(Io& io, ConsoleUnit, const Items&... items);
template <Format F, typename... Items>
void write_record(Io& io, Unit unit, const Items&... items);

// Reads one line of a file channel into the items; the rest of the line is
// discarded. With `handles_end` an exhausted channel returns EndOfFile;
// without, it ends the run.
template <Format F, typename... Items>
ReadResult read_record(Io& io, Unit unit, bool handles_end, Items&... items);
// One line of the console; its end ends the run.
template <Format F, typename... Items>
void read_record(Io& io, ConsoleUnit, Items&... items);

// The same over a character buffer; positions past its end read as blanks.
template <Format F, typename... Items>
void read_internal(Io& io, const char* buffer, int length, Items&... items);

// Opening, rewinding and closing a channel. A failed open returns false (the
// caller asks again or stops); a failed rewind or close that loses output
// ends the run.
bool open_existing(Io& io, Unit unit, const char* name, int length);
bool open_output(Io& io, Unit unit, const char* name, int length);
void rewind_channel(Io& io, Unit unit);
void close_channel(Io& io, Unit unit);

namespace record_detail {

// The stops of the record layer, out of line: the run ends in each.
[[noreturn]] void write_failed(Io& io, const char* stream);
[[noreturn]] void record_too_long(Io& io, const char* stream);
[[noreturn]] void field_failed(Io& io, const char* stream, FieldStatus status);
// Reads the console line into io.line, or ends the run.
LineView read_console_line(Io& io);
// A channel read that did not give a line: false at a handled end; every
// other failure ends the run. Out of line, off the path of every line read.
bool line_not_read(Io& io, Unit unit, bool handles_end, LineStatus status);
void deliver_to_console(Io& io, int length, bool dollar);

inline constexpr const char* CONSOLE_NAME = "CON";
inline constexpr const char* INTERNAL_NAME = "internal";

// One step of a statement: a field for item `item`, the end of a record, or
// (input) a skip of `d.width` characters.
enum class StepKind { Field, EndRecord, Skip };
struct Step {
  StepKind kind = StepKind::Field;
  Descriptor d{};
  int item = 0;
  bool dollar = false;
  // Output: the record's length after this field when every field before it
  // has a constant width, else -1 (the length is checked as it runs).
  int constant_end = -1;
};

constexpr int MAX_STEPS = 64;
struct Plan {
  std::array<Step, MAX_STEPS> steps{};
  int count = 0;
};

constexpr void add(Plan& plan, const Step& step) {
  if (plan.count == MAX_STEPS) format_syntax_error();
  plan.steps[static_cast<std::size_t>(plan.count++)] = step;
}

// The walk of `format` over `items` items, as the run would do it.
constexpr Plan make_plan(const Format& format, int items, bool output) {
  Plan plan;
  int index = 0;
  int repeats_left = 0;
  bool dollar = false;
  int constant_length = 0;  // -1 once a field of the record has a run-time width
  // Acts on control descriptors up to the next data descriptor; false at
  // the closing parenthesis.
  auto walk_to_data = [&] {
    for (; index < format.size(); ++index) {
      const Descriptor& d = format[index];
      if (is_data(d.kind)) return true;
      if (d.kind == DescriptorKind::Skip) {
        if (output) format_syntax_error();  // no format writes nX
        add(plan, {StepKind::Skip, d, 0, false, -1});
      } else if (output && d.kind == DescriptorKind::Slash) {
        add(plan, {StepKind::EndRecord, d, 0, dollar, -1});
        dollar = false;
        constant_length = 0;
      } else if (output && d.kind == DescriptorKind::Dollar) {
        dollar = true;
      }
    }
    return false;
  };
  for (int item = 0; item < items; ++item) {
    if (repeats_left == 0) {
      if (!walk_to_data()) format_syntax_error();  // more items than descriptors
      repeats_left = format[index].repeat;
    }
    const Descriptor d = format[index];
    if (--repeats_left == 0) ++index;
    if (output && constant_length >= 0) {
      constant_length =
          d.kind == DescriptorKind::Text && d.width == 0 ? -1 : constant_length + d.width;
      if (constant_length > FILE_RECORD_MAX) format_syntax_error();
    }
    add(plan, {StepKind::Field, d, item, false, output ? constant_length : -1});
  }
  if (output) {
    if (repeats_left == 0) walk_to_data();
    add(plan, {StepKind::EndRecord, {}, 0, dollar, -1});
  }
  return plan;
}

template <Format F, int ITEMS, bool OUTPUT>
inline constexpr Plan PLAN = make_plan(F, ITEMS, OUTPUT);

template <typename T>
inline constexpr bool IS_TEXT_ITEM = std::is_convertible_v<const T&, std::string_view>;

// Writes one field at `out`; returns its width.
template <Step S, typename Item>
inline int put_field(const Item& item, char* out) {
  constexpr Descriptor FIELD = S.d;
  if constexpr (FIELD.kind == DescriptorKind::Text) {
    static_assert(IS_TEXT_ITEM<Item>, "an A field takes text");
    const std::string_view text(item);
    if constexpr (FIELD.width == 0) {
      if (!text.empty()) std::memcpy(out, text.data(), text.size());
      return static_cast<int>(text.size());
    } else {
      // Most items fill their field exactly: a copy of constant size.
      if (text.size() == static_cast<std::size_t>(FIELD.width)) {
        std::memcpy(out, text.data(), static_cast<std::size_t>(FIELD.width));
      } else {
        put_text(text, FIELD.width, out);
      }
      return FIELD.width;
    }
  } else if constexpr (FIELD.kind == DescriptorKind::Integer) {
    static_assert(std::is_same_v<Item, int>, "an I field takes an int");
    put_integer(item, FIELD.width, out);
    return FIELD.width;
  } else {
    // Every real item is single precision: a double would be rounded here.
    static_assert(std::is_same_v<Item, float>, "an F or E field takes a float");
    if constexpr (FIELD.kind == DescriptorKind::Fixed) {
      put_fixed<FIELD.width, FIELD.decimals>(item, out);
    } else {
      put_exponent(item, FIELD.width, FIELD.decimals, out);
    }
    return FIELD.width;
  }
}

// Runs the steps of a write. `begin` starts a record and returns where it
// is built; `end(length, dollar)` hands it over.
template <const Plan& P, typename Begin, typename End, typename Tuple, std::size_t... I>
inline void run_output(Io& io, const char* stream, Begin begin, End end, const Tuple& items,
                       std::index_sequence<I...>) {
  char* record = begin();
  int length = 0;
  auto step = [&]<std::size_t K>(std::integral_constant<std::size_t, K>) {
    constexpr Step STEP = P.steps[K];
    if constexpr (STEP.kind == StepKind::EndRecord) {
      end(length, STEP.dollar);
      if constexpr (K + 1 < static_cast<std::size_t>(P.count)) record = begin();
      length = 0;
    } else {
      const auto& item = std::get<static_cast<std::size_t>(STEP.item)>(items);
      if constexpr (STEP.constant_end >= 0) {
        put_field<STEP>(item, record + length);
        length = STEP.constant_end;
      } else {
        // A width known only now: checked before anything is written.
        int width = STEP.d.width;
        if constexpr (STEP.d.kind == DescriptorKind::Text && STEP.d.width == 0) {
          width = static_cast<int>(std::string_view(item).size());
        }
        if (length + width > FILE_RECORD_MAX) record_too_long(io, stream);
        length += put_field<STEP>(item, record + length);
      }
    }
  };
  (step(std::integral_constant<std::size_t, I>{}), ...);
}

// Takes one field from `line` at `pos`.
template <Descriptor D, typename Item>
inline void get_field(Io& io, const char* stream, const char* line, int line_length, int& pos,
                      Item& item) {
  if constexpr (D.kind == DescriptorKind::Text) {
    if constexpr (std::is_array_v<Item>) {
      constexpr int LENGTH = static_cast<int>(std::extent_v<Item>);
      get_text(line, line_length, pos, item, LENGTH, D.width);
    } else {
      // A LineText: the line's own characters when they are all there.
      static_assert(D.width == 0, "a LineText is read by a plain A");
      constexpr int LENGTH = static_cast<int>(sizeof item.padded);
      if (line_length - pos >= LENGTH) {
        item.data = line + pos;
        pos += LENGTH;
      } else {
        get_text(line, line_length, pos, item.padded, LENGTH, 0);
        item.data = item.padded;
      }
    }
  } else {
    static_assert(D.kind == DescriptorKind::Fixed, "input takes A and F fields");
    static_assert(std::is_same_v<Item, float>, "an F field reads into a float");
    const FieldStatus status = get_fixed<D.width, D.decimals>(line, line_length, pos, item);
    if (status != FieldStatus::Ok) field_failed(io, stream, status);
  }
}

template <const Plan& P, typename Tuple, std::size_t... I>
inline void run_input(Io& io, const char* stream, const char* line, int line_length,
                      const Tuple& items, std::index_sequence<I...>) {
  int pos = 0;
  auto step = [&]<std::size_t K>(std::integral_constant<std::size_t, K>) {
    constexpr Step STEP = P.steps[K];
    if constexpr (STEP.kind == StepKind::Skip) {
      pos = pos + STEP.d.width < line_length ? pos + STEP.d.width : line_length;
    } else {
      get_field<STEP.d>(io, stream, line, line_length, pos,
                     std::get<static_cast<std::size_t>(STEP.item)>(items));
    }
  };
  (step(std::integral_constant<std::size_t, I>{}), ...);
}

template <Format F, typename... Items>
inline void read_fields(Io& io, const char* stream, const char* line, int line_length,
                        Items&... items) {
  constexpr const Plan& RECORD_PLAN = PLAN<F, sizeof...(Items), false>;
  run_input<RECORD_PLAN>(io, stream, line, line_length, std::tie(items...),
                  std::make_index_sequence<static_cast<std::size_t>(RECORD_PLAN.count)>{});
}

}  // namespace record_detail

template <Format F, typename... Items>
void write_record(Io& io, ConsoleUnit, const Items&... items) {
  using namespace record_detail;
  constexpr const Plan& RECORD_PLAN = PLAN<F, sizeof...(Items), true>;
  run_output<RECORD_PLAN>(
      io, CONSOLE_NAME, [&] { return io.record; },
      [&](int length, bool dollar) { deliver_to_console(io, length, dollar); }, std::tie(items...),
      std::make_index_sequence<static_cast<std::size_t>(RECORD_PLAN.count)>{});
}

template <Format F, typename... Items>
void write_record(Io& io, Unit unit, const Items&... items) {
  using namespace record_detail;
  constexpr const Plan& RECORD_PLAN = PLAN<F, sizeof...(Items), true>;
  Channel& channel = io.channel(unit);
  run_output<RECORD_PLAN>(
      io, channel.name(),
      [&] {
        char* space = channel.record_space();
        if (space == nullptr) write_failed(io, channel.name());
        return space;
      },
      // A record under "$" gets no line end; the program never writes one.
      [&](int length, bool dollar) {
        if (!channel.commit(length, !dollar)) write_failed(io, channel.name());
      },
      std::tie(items...), std::make_index_sequence<static_cast<std::size_t>(RECORD_PLAN.count)>{});
}

template <Format F, typename... Items>
ReadResult read_record(Io& io, Unit unit, bool handles_end, Items&... items) {
  Channel& channel = io.channel(unit);
  LineView line;
  const LineStatus status = channel.read_view(io.line, line);
  if (status != LineStatus::Ok && !record_detail::line_not_read(io, unit, handles_end, status)) {
    return ReadResult::EndOfFile;
  }
  record_detail::read_fields<F>(io, channel.name(), line.data, line.length, items...);
  return ReadResult::Ok;
}

template <Format F, typename... Items>
void read_record(Io& io, ConsoleUnit, Items&... items) {
  const LineView line = record_detail::read_console_line(io);
  record_detail::read_fields<F>(io, record_detail::CONSOLE_NAME, line.data, line.length, items...);
}

template <Format F, typename... Items>
void read_internal(Io& io, const char* buffer, int length, Items&... items) {
  record_detail::read_fields<F>(io, record_detail::INTERNAL_NAME, buffer, length, items...);
}

}  // namespace formatted_io
