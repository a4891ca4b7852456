// The format walker and the record streams. A record is assembled in the one
// record buffer of the run and handed to the console or a channel whole.
#include "formatted_io/records.hpp"

#include <cassert>
#include <cstring>

#include "formatted_io/fields.hpp"
#include "formatted_io/real_fields.hpp"
#include "formatted_io/stops.hpp"

namespace formatted_io {

Channel& Io::channel(int unit) {
  switch (unit) {
    case 2:
      return channels[0];
    case 3:
      return channels[1];
    default:
      assert(unit == 6);
      return channels[2];
  }
}

namespace {

constexpr const char* CONSOLE_NAME = "CON";
constexpr const char* INTERNAL_NAME = "internal";

const char* stream_name(Io& io, int unit) {
  return unit == CONSOLE ? CONSOLE_NAME : io.channel(unit).name();
}

void deliver(Io& io, int unit, int length, bool dollar) {
  if (unit == CONSOLE) {
    if (!io.console.deliver(io.record, length, dollar)) {
      run_time_error_stop(io, Statement::Write, CONSOLE_NAME, RunTimeError::WriteFailed);
    }
    return;
  }
  // A record under "$" gets no line end; the program never writes one.
  Channel& channel = io.channel(unit);
  if (!channel.write_record(io.record, length, !dollar)) {
    run_time_error_stop(io, Statement::Write, channel.name(), RunTimeError::WriteFailed);
  }
}

// Builds one field at the end of the record.
void append_field(Io& io, int unit, int& length, const Descriptor& d, const OutItem& item) {
  int width = d.width;
  if (d.kind == DescriptorKind::Text && width == 0) {
    width = static_cast<int>(item.text.size());
  }
  if (length + width > FILE_RECORD_MAX) {
    run_time_error_stop(io, Statement::Write, stream_name(io, unit),
                        RunTimeError::RecordTooLong);
  }
  char* out = io.record + length;
  switch (d.kind) {
    case DescriptorKind::Text:
      assert(item.kind == OutItem::Kind::Text);
      put_text(item.text, width, out);
      break;
    case DescriptorKind::Integer:
      assert(item.kind == OutItem::Kind::Integer);
      put_integer(item.integer, width, out);
      break;
    case DescriptorKind::Fixed:
      assert(item.kind == OutItem::Kind::Real);
      put_fixed(item.real, width, d.decimals, out);
      break;
    case DescriptorKind::Exponent:
      assert(item.kind == OutItem::Kind::Real);
      put_exponent(item.real, width, d.decimals, out);
      break;
    default:
      assert(false);
  }
  length += width;
}

// Walks to the next data descriptor, acting on the control descriptors met on
// the way. Returns false at the closing parenthesis.
template <typename OnSlash, typename OnDollar, typename OnSkip>
bool walk_to_data(const Format& format, int& index, OnSlash on_slash, OnDollar on_dollar,
                  OnSkip on_skip) {
  while (index < format.size()) {
    const Descriptor& d = format[index];
    if (is_data(d.kind)) return true;
    if (d.kind == DescriptorKind::Slash) on_slash();
    if (d.kind == DescriptorKind::Dollar) on_dollar();
    if (d.kind == DescriptorKind::Skip) on_skip(d.width);
    ++index;
  }
  return false;
}

// Data descriptors of a format, for the reversion when items outnumber them.
bool has_data(const Format& format) {
  for (int i = 0; i < format.size(); ++i) {
    if (is_data(format[i].kind)) return true;
  }
  return false;
}

void read_fields(Io& io, const char* line, int line_length, const char* name,
                 const Format& format, std::initializer_list<InItem> items) {
  int pos = 0;
  int index = 0;
  int repeats_left = 0;
  for (const InItem& item : items) {
    if (repeats_left == 0) {
      const bool found = walk_to_data(
          format, index, [] {}, [] {},
          [&](int n) { pos = pos + n < line_length ? pos + n : line_length; });
      if (!found) {
        assert(false && "format has fewer data descriptors than items");
        return;
      }
      repeats_left = format[index].repeat;
    }
    const Descriptor& d = format[index];
    if (--repeats_left == 0) ++index;
    if (d.kind == DescriptorKind::Text) {
      assert(item.text != nullptr);
      get_text(line, line_length, pos, item.text, item.length, d.width);
      continue;
    }
    assert(d.kind == DescriptorKind::Fixed && item.real != nullptr);
    const FieldStatus status = get_fixed(line, line_length, pos, d.width, d.decimals, *item.real);
    switch (status) {
      case FieldStatus::Ok:
        break;
      case FieldStatus::NotANumber:
        run_time_error_stop(io, Statement::Read, name, RunTimeError::NotANumber);
      case FieldStatus::OutOfRange:
        run_time_error_stop(io, Statement::Read, name, RunTimeError::OutOfRange);
      case FieldStatus::EndOfFile:
        run_time_error_stop(io, Statement::Read, name, RunTimeError::EndOfFile);
    }
  }
}

}  // namespace

void write_formatted(Io& io, int unit, const Format& format,
                     std::initializer_list<OutItem> items) {
  int length = 0;
  bool dollar = false;
  auto end_record = [&] {
    deliver(io, unit, length, dollar);
    length = 0;
    dollar = false;
  };
  auto set_dollar = [&] { dollar = true; };
  auto skip = [&](int n) {
    // nX on output leaves n blanks; the program's formats never ask for it.
    for (int i = 0; i < n && length < FILE_RECORD_MAX; ++i) io.record[length++] = ' ';
  };
  int index = 0;
  int repeats_left = 0;
  for (const OutItem& item : items) {
    if (repeats_left == 0) {
      if (!walk_to_data(format, index, end_record, set_dollar, skip)) {
        // More items than descriptors: a new record from the format's start.
        if (!has_data(format)) break;
        end_record();
        index = 0;
        walk_to_data(format, index, end_record, set_dollar, skip);
      }
      repeats_left = format[index].repeat;
    }
    const Descriptor& d = format[index];
    if (--repeats_left == 0) ++index;
    append_field(io, unit, length, d, item);
  }
  // After the last item: act on "/" and "$" up to a data descriptor or the end.
  if (repeats_left == 0) walk_to_data(format, index, end_record, set_dollar, [](int) {});
  end_record();
}

ReadResult read_formatted(Io& io, int unit, const Format& format,
                          std::initializer_list<InItem> items, bool handles_end) {
  Line& line = io.line;
  if (unit == CONSOLE) {
    switch (io.console.read_line(line)) {
      case ConsoleRead::Ok:
        break;
      case ConsoleRead::End:
        run_time_error_stop(io, Statement::Read, CONSOLE_NAME, RunTimeError::ConsoleEndOfInput);
      case ConsoleRead::TooLong:
        run_time_error_stop(io, Statement::Read, CONSOLE_NAME, RunTimeError::ConsoleLineTooLong);
      case ConsoleRead::Failed:
        run_time_error_stop(io, Statement::Read, CONSOLE_NAME, RunTimeError::ReadFailed);
      case ConsoleRead::OutputFailed:
        run_time_error_stop(io, Statement::Write, CONSOLE_NAME, RunTimeError::WriteFailed);
    }
  } else {
    Channel& channel = io.channel(unit);
    switch (channel.read_line(line)) {
      case LineStatus::Ok:
        break;
      case LineStatus::End:
        if (handles_end) return ReadResult::EndOfFile;
        run_time_error_stop(io, Statement::Read, channel.name(), RunTimeError::EndOfFile);
      case LineStatus::Failed:
        run_time_error_stop(io, Statement::Read, channel.name(), RunTimeError::ReadFailed);
    }
  }
  read_fields(io, line.data, line.length, stream_name(io, unit), format, items);
  return ReadResult::Ok;
}

void read_internal(Io& io, const char* buffer, int length, const Format& format,
                   std::initializer_list<InItem> items) {
  read_fields(io, buffer, length, INTERNAL_NAME, format, items);
}

bool open_existing(Io& io, int unit, const char* name, int length) {
  return io.channel(unit).open_existing(name, length);
}

bool open_output(Io& io, int unit, const char* name, int length) {
  return io.channel(unit).open_output(name, length);
}

void rewind_channel(Io& io, int unit) {
  Channel& channel = io.channel(unit);
  if (!channel.rewind()) {
    run_time_error_stop(io, Statement::Rewind, channel.name(), RunTimeError::WriteFailed);
  }
}

void close_channel(Io& io, int unit) {
  Channel& channel = io.channel(unit);
  // What fails at a close is writing out the buffered records.
  if (!channel.close()) {
    run_time_error_stop(io, Statement::Write, channel.name(), RunTimeError::WriteFailed);
  }
}

}  // namespace formatted_io
