// Parsing a settings file whose section names were crafted against the
// section index: 100 000 names chosen so that a fixed, publicly known hash
// (the one the index used before it was seeded) puts them all into one
// narrow band of the table, where linear probing turns every insertion into
// a walk along one ever-growing cluster. Target: such a file parses as fast
// per byte as one of ordinary names (BM_OrdinarySections), since names that
// cannot know the process's seed cannot cluster.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "platform/profile.h"

namespace {

using corvella::ProfileFile;

constexpr int kSections = 100000;

// The fixed hash an attacker can compute: FNV-1a over the lower-cased name,
// a final mix, folded to 32 bits.
std::uint32_t FixedHash(const std::string& name) {
  std::uint64_t h = 14695981039346656037ull;
  for (char c : name) {
    h ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    h *= 1099511628211ull;
  }
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return static_cast<std::uint32_t>(h ^ (h >> 32));
}

// Sections "[s<n>]" with one key each. Crafted: only the names whose fixed
// hash has bits 12 to 17 clear, so all land in the first 4096 slots of the
// 2^18-slot table that 100 000 sections get.
std::string SectionsFile(bool crafted) {
  std::string text;
  int found = 0;
  for (std::uint64_t n = 0; found < kSections; ++n) {
    const std::string name = "s" + std::to_string(n);
    if (crafted && (FixedHash(name) & 0x3f000u) != 0) continue;
    text += "[" + name + "]\r\nk=v\r\n";
    ++found;
  }
  return text;
}

void Parse(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    ProfileFile profile(text);
    benchmark::DoNotOptimize(profile.HasSection("s0"));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

void BM_OrdinarySections(benchmark::State& state) {
  static const std::string text = SectionsFile(false);
  Parse(state, text);
}

void BM_CraftedSections(benchmark::State& state) {
  static const std::string text = SectionsFile(true);
  Parse(state, text);
}

BENCHMARK(BM_OrdinarySections)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CraftedSections)->Unit(benchmark::kMillisecond)->MinTime(0.01);

}  // namespace

BENCHMARK_MAIN();
