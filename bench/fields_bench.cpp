// Values per second through the real number fields, the innermost work of a
// run: every coordinate read goes through F8.3 input, every moved record
// through F8.3 and F6.3 output, the matrices through E13.5. The values cycle
// through a table of coordinate-like numbers so that no call sees the same
// value twice in a row and nothing folds away.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "formatted_io/real_fields.hpp"

namespace {

constexpr int VALUE_COUNT = 1024;

// Coordinates in Angstrom (-99.999 to 99.999, three decimals as in a
// structure file) and a few small deviations: what the program formats.
std::array<float, VALUE_COUNT> make_values() {
  std::array<float, VALUE_COUNT> values{};
  std::uint32_t state = 12345u;
  for (float& v : values) {
    state = state * 1664525u + 1013904223u;  // a fixed sequence on every machine
    const int thousandths = static_cast<int>(state >> 8) % 199999 - 99999;
    v = static_cast<float>(thousandths) / 1000.0f;
  }
  for (int i = 0; i < VALUE_COUNT; i += 8) values[static_cast<std::size_t>(i)] /= 64.0f;
  return values;
}

const std::array<float, VALUE_COUNT> VALUES = make_values();

// The fields as the record functions write them: width and decimals constant.
template <int WIDTH, int DECIMALS>
void put_fixed_field(benchmark::State& state) {
  char out[16];
  std::size_t i = 0;
  for (auto _ : state) {
    formatted_io::put_fixed<WIDTH, DECIMALS>(VALUES[i], out);
    benchmark::DoNotOptimize(out);
    i = (i + 1) % VALUE_COUNT;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_PutFixedF83(benchmark::State& state) { put_fixed_field<8, 3>(state); }
void BM_PutFixedF63(benchmark::State& state) { put_fixed_field<6, 3>(state); }

void BM_PutExponentE135(benchmark::State& state) {
  char out[16];
  std::size_t i = 0;
  for (auto _ : state) {
    formatted_io::put_exponent(VALUES[i], 13, 5, out);
    benchmark::DoNotOptimize(out);
    i = (i + 1) % VALUE_COUNT;
  }
  state.SetItemsProcessed(state.iterations());
}

// One F8.3 input field, read again and again from the start of its text.
void get_fixed_field(benchmark::State& state, const char* text) {
  float value = 0.0f;
  for (auto _ : state) {
    int pos = 0;
    benchmark::DoNotOptimize(text);
    const auto status = formatted_io::get_fixed<8, 3>(text, 8, pos, value);
    benchmark::DoNotOptimize(status);
    benchmark::DoNotOptimize(value);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_GetFixedPlain(benchmark::State& state) { get_fixed_field(state, "  27.340"); }
void BM_GetFixedExponent(benchmark::State& state) { get_fixed_field(state, "-1.5E2  "); }
void BM_GetFixedNoPoint(benchmark::State& state) { get_fixed_field(state, "   12345"); }

}  // namespace

BENCHMARK(BM_PutFixedF83);
BENCHMARK(BM_PutFixedF63);
BENCHMARK(BM_PutExponentE135);
BENCHMARK(BM_GetFixedPlain);
BENCHMARK(BM_GetFixedExponent);
BENCHMARK(BM_GetFixedNoPoint);

BENCHMARK_MAIN();
