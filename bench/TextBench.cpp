// Narrow/wide conversion runs for every log record and every text read from the archive.
#include <benchmark/benchmark.h>

#include "platform/Text.h"

static void BM_Utf8ToWideMixed(benchmark::State& state)
{
    std::string text;
    for (int i = 0; i < 64; ++i)
        text += "Installing\xE2\x80\xA6 \xE4\xB8\xAD\xE6\x96\x87 \xD8\xB9\xD8\xB1\xD8\xA8\xD9\x8A ";
    for (auto _ : state)
        benchmark::DoNotOptimize(plat::Utf8ToWide(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Utf8ToWideMixed);

static void BM_WideToUtf8Ascii(benchmark::State& state)
{
    const std::wstring text(4096, L'a');
    for (auto _ : state)
        benchmark::DoNotOptimize(plat::WideToUtf8(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_WideToUtf8Ascii);
