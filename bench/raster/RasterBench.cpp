// Raster throughput, each operation beside a baseline where one makes sense (memcpy of the same
// bytes next to the opaque blit). Items are pixels, so the rates read as pixels per second.

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "raster/Blit.h"
#include "raster/MemoryBitmap.h"
#include "raster/PngLoader.h"
#include "raster/Primitives.h"
#include "raster/ScaledBlit.h"

namespace {

constexpr int kPanelW = 274, kPanelH = 350;

void fillRandom(MemoryBitmap& bm, std::uint32_t seed) {
  std::mt19937 rng(seed);
  const std::size_t n = static_cast<std::size_t>(bm.getWidth()) * bm.getHeight();
  for (std::size_t i = 0; i < n; ++i) bm.getBits()[i] = rng();
}

void BM_MemcpyPanel(benchmark::State& state) {
  std::vector<Pixel32> src(kPanelW * kPanelH, 0x80402010u), dst(kPanelW * kPanelH);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * sizeof(Pixel32));
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPanelW * kPanelH);
  state.SetBytesProcessed(state.iterations() * kPanelW * kPanelH * 4);
}
BENCHMARK(BM_MemcpyPanel);

void BM_BlitOpaquePanel(benchmark::State& state) {
  MemoryBitmap src(kPanelW, kPanelH), dst(kPanelW, kPanelH);
  fillRandom(src, 1);
  for (auto _ : state) {
    blit(&dst, &src, 0, 0, nullptr, 1.0f, 0);
    benchmark::DoNotOptimize(dst.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPanelW * kPanelH);
  state.SetBytesProcessed(state.iterations() * kPanelW * kPanelH * 4);
}
BENCHMARK(BM_BlitOpaquePanel);

void BM_BlitSourceAlphaMixPanel(benchmark::State& state) {
  MemoryBitmap src(kPanelW, kPanelH), dst(kPanelW, kPanelH);
  fillRandom(src, 2);
  fillRandom(dst, 3);
  for (auto _ : state) {
    blit(&dst, &src, 0, 0, nullptr, 1.0f, BLEND_USE_SOURCE_ALPHA);
    benchmark::DoNotOptimize(dst.getBits());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPanelW * kPanelH);
}
BENCHMARK(BM_BlitSourceAlphaMixPanel);

void BM_FilmStripFrame31x28(benchmark::State& state) {
  constexpr int kFrames = 64;
  MemoryBitmap strip(31, 28 * kFrames), dst(kPanelW, kPanelH);
  fillRandom(strip, 4);
  fillRandom(dst, 5);
  int frame = 0;
  for (auto _ : state) {
    blitRect(&dst, &strip, 120, 200, 0, 28 * frame, 31, 28, 1.0f, BLEND_USE_SOURCE_ALPHA);
    frame = (frame + 1) % kFrames;
    benchmark::DoNotOptimize(dst.getBits());
  }
  state.SetItemsProcessed(state.iterations() * 31 * 28);
}
BENCHMARK(BM_FilmStripFrame31x28);

void BM_ScaledBlitBilinear2x(benchmark::State& state) {
  MemoryBitmap src(kPanelW / 2, kPanelH / 2), dst(kPanelW, kPanelH);
  fillRandom(src, 6);
  for (auto _ : state) {
    scaledBlit(&dst, &src, 0, 0, kPanelW, kPanelH, 0.0f, 0.0f, kPanelW / 2, kPanelH / 2, 1.0f,
               BLEND_FILTER_BILINEAR | BLEND_USE_SOURCE_ALPHA);
    benchmark::DoNotOptimize(dst.getBits());
  }
  state.SetItemsProcessed(state.iterations() * kPanelW * kPanelH);
}
BENCHMARK(BM_ScaledBlitBilinear2x);

void BM_RotatedBlit(benchmark::State& state) {
  const bool bilinear = state.range(0) != 0;
  MemoryBitmap src(kPanelW, kPanelH), dst(kPanelW, kPanelH);
  fillRandom(src, 7);
  for (auto _ : state) {
    rotatedBlit(&dst, &src, 0, 0, kPanelW, kPanelH, 0.0f, 0.0f, kPanelW, kPanelH, 0.3f, true, 1.0f,
                BLEND_USE_SOURCE_ALPHA | (bilinear ? BLEND_FILTER_BILINEAR : 0), 0.0f, 0.0f);
    benchmark::DoNotOptimize(dst.getBits());
  }
  state.SetItemsProcessed(state.iterations() * kPanelW * kPanelH);
}
BENCHMARK(BM_RotatedBlit)->Arg(0)->Arg(1);

void BM_DrawLineAntialiased(benchmark::State& state) {
  MemoryBitmap dst(kPanelW, kPanelH);
  fillRandom(dst, 8);
  for (auto _ : state) {
    drawLine(&dst, 3.0f, 5.0f, 270.0f, 340.0f, 0xFFFFC040u, 0.8f, BLEND_USE_SOURCE_ALPHA, true);
    benchmark::DoNotOptimize(dst.getBits());
  }
  state.SetItemsProcessed(state.iterations() * 2 * 335);
}
BENCHMARK(BM_DrawLineAntialiased);

void BM_DrawCircleAntialiased(benchmark::State& state) {
  MemoryBitmap dst(kPanelW, kPanelH);
  fillRandom(dst, 9);
  for (auto _ : state) {
    drawCircle(&dst, 137.0f, 175.0f, 100.0f, 0xFFFFC040u, 0.8f, BLEND_USE_SOURCE_ALPHA, true);
    benchmark::DoNotOptimize(dst.getBits());
  }
}
BENCHMARK(BM_DrawCircleAntialiased);

// An arc whose angles first need wrapping: the argument is the number of whole turns added to
// both ends (0: already in range; 10^6 turns: angles near 6.3e6).
void BM_DrawArcWrapped(benchmark::State& state) {
  MemoryBitmap dst(kPanelW, kPanelH);
  fillRandom(dst, 10);
  const float turns = static_cast<float>(state.range(0)) * 6.2831855f;
  for (auto _ : state) {
    drawArc(&dst, 137.0f, 175.0f, 100.0f, 1.0f + turns, -2.0f - turns, 0xFFFFC040u, 0.8f,
            BLEND_USE_SOURCE_ALPHA, true);
    benchmark::DoNotOptimize(dst.getBits());
  }
}
BENCHMARK(BM_DrawArcWrapped)->Arg(0)->Arg(10)->Arg(100)->Arg(1000000);

void BM_DecodePngStrip24x3128(benchmark::State& state) {
  constexpr int kW = 24, kH = 3128;
  std::vector<unsigned char> rgba(kW * kH * 4);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      unsigned char* p = &rgba[(y * kW + x) * 4];
      p[0] = static_cast<unsigned char>(x * 10);
      p[1] = static_cast<unsigned char>(y);
      p[2] = static_cast<unsigned char>(x ^ y);
      p[3] = static_cast<unsigned char>((x * y) >> 3);
    }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kW;
  image.height = kH;
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
  std::vector<unsigned char> file(size);
  if (!png_image_write_to_memory(&image, file.data(), &size, 0, rgba.data(), 0, nullptr)) {
    state.SkipWithError("could not encode the strip");
    return;
  }
  MemoryBitmap target(kW, kH);
  for (auto _ : state) {
    benchmark::DoNotOptimize(loadPngMemory(file.data(), size, &target));
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_DecodePngStrip24x3128);

}  // namespace

BENCHMARK_MAIN();
