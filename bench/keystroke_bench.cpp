// One keystroke through the conversion core: what the main dialog does with
// a field's new text, without the dialog. An accepted text is validated,
// copied into its buffer and converted for the other two fields; a refused
// one stops at the validator, whose feedback is counted, not given.
#include <benchmark/benchmark.h>

#include <cstring>

#include "core.h"
#include "fake_feedback.h"

namespace {

// The main dialog's field table, less the window: validator, buffer and the
// two conversions that follow an accepted change.
struct Field {
  int (*validate)(const char* stringa, int num_car);
  char* buffer;
  void (*conversions[2])();
};

const Field kDecimal = {EditDecimale, StrD, {DecToEsa, DecToOct}};
const Field kHexadecimal = {EditEsadecimale, StrH, {EsaToDec, DecToOct}};
const Field kOctal = {EditOttale, StrO, {OctToDec, DecToEsa}};

// Mirrors the dialog's handling of one EN_UPDATE: the length is taken with
// strlen as the dialog does.
int Keystroke(const Field& field, const char* text) {
  if (!field.validate(text, static_cast<int>(std::strlen(text)))) return 0;
  std::strcpy(field.buffer, text);
  for (auto conversion : field.conversions) conversion();
  return 1;
}

// Texts of typical length, the kind a user types: a full-width value each.
void Accepted(benchmark::State& state, const Field& field, const char* text) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
    benchmark::DoNotOptimize(Keystroke(field, text));
    benchmark::ClobberMemory();
  }
}

void Refused(benchmark::State& state, const Field& field, const char* text) {
  feedback = FeedbackCount();
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
    benchmark::DoNotOptimize(Keystroke(field, text));
    benchmark::ClobberMemory();
  }
  if (feedback.beeps != static_cast<int>(state.iterations())) state.SkipWithError("beeps miscounted");
}

BENCHMARK_CAPTURE(Accepted, decimal, kDecimal, "123456789");
BENCHMARK_CAPTURE(Accepted, hexadecimal, kHexadecimal, "3ADE68B1");
BENCHMARK_CAPTURE(Accepted, octal, kOctal, "7262464261");
// The last character is the refused one, so the validator scans it all.
BENCHMARK_CAPTURE(Refused, decimal, kDecimal, "12345678x");
BENCHMARK_CAPTURE(Refused, hexadecimal, kHexadecimal, "3ADE68BG");
BENCHMARK_CAPTURE(Refused, octal, kOctal, "726246428");

}  // namespace

BENCHMARK_MAIN();
