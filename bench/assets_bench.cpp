// What loading a texture costs on the processor: a 1024 × 1024 JPEG entry decoded from an
// archive into a bitmap and converted to RGBA, next to the JPEG library decoding the same bytes
// with a bare jpeg_read_scanlines loop (the floor any reader of this format pays); and the
// normal map the scene computes for its height images.
//
// Read DecodeAndConvert / BareDecode as the overhead of our path over the library itself.
#include "assets/bitmap.h"
#include "assets/datfile.h"
#include "assets/datformat.h"
#include "assets/stream.h"
#include "assets/texture.h"

#include "jpegencode.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

constexpr int kSide = 1024;   // pixels

// A picture with the mix of smooth areas and detail of the saver's earth and cloud images:
// gradients, a few octaves of waves and a little noise (a fixed generator, so every run
// encodes the same bytes).
Bitmap testPicture()
{
    Bitmap picture(kSide, kSide);
    uint32_t seed = 12345;
    for (int y = 0; y < kSide; ++y) {
        uint8_t* row = picture.row(y);
        for (int x = 0; x < kSide; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const double fx = x / double(kSide), fy = y / double(kSide);
            const double waves = std::sin(fx * 13) * std::cos(fy * 7) + 0.5 * std::sin((fx + fy) * 41) +
                                 0.25 * std::sin(fx * 97 - fy * 61);
            const int noise = static_cast<int>(seed >> 28) - 8;
            const auto clamp = [](double v) { return static_cast<uint8_t>(std::fmax(0, std::fmin(255, v))); };
            row[x * 3 + 0] = clamp(120 + 60 * waves + noise + 60 * fy);
            row[x * 3 + 1] = clamp(100 + 50 * waves + noise);
            row[x * 3 + 2] = clamp(80 + 40 * waves + noise + 60 * fx);
        }
    }
    return picture;
}

const std::vector<uint8_t>& jpegBytes()
{
    static const std::vector<uint8_t> bytes = encodeJpeg(testPicture(), 90);
    return bytes;
}

const std::vector<uint8_t>& archiveBytes()
{
    static const std::vector<uint8_t> bytes = writeDatArchive({{"earth.bmp", jpegBytes()}});
    return bytes;
}

// Reads the archive's bytes where they lie, so the benchmark copies nothing the reader would not.
class SpanSource : public ByteSource {
public:
    explicit SpanSource(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    size_t read(void* destination, size_t n) override
    {
        const size_t count = std::min(n, bytes_.size() - position_);
        std::memcpy(destination, bytes_.data() + position_, count);
        position_ += count;
        return count;
    }
    int64_t position() const override { return static_cast<int64_t>(position_); }
    void seek(int64_t position) override { position_ = static_cast<size_t>(std::clamp<int64_t>(position, 0, size())); }
    int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }

private:
    const std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
};

void BareDecode(benchmark::State& state)
{
    const std::vector<uint8_t>& jpeg = jpegBytes();
    std::vector<uint8_t> out(static_cast<size_t>(kSide) * kSide * 3);   // made once: the floor
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr error;
        cinfo.err = jpeg_std_error(&error);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = out.data() + static_cast<size_t>(cinfo.output_scanline) * cinfo.output_width * 3;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BareDecode)->Unit(benchmark::kMillisecond);

// The archive read alone: sizes checked, payload copied out, decoded into a new bitmap.
void DecodeEntry(benchmark::State& state)
{
    for (auto _ : state) {
        SpanSource source(archiveBytes());
        DatFile archive(source);
        benchmark::DoNotOptimize(archive.getBitmap("earth.bmp")->pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(DecodeEntry)->Unit(benchmark::kMillisecond);

// What the scene's set-up does per image: the archive read, then the texture's conversion.
void DecodeAndConvert(benchmark::State& state)
{
    for (auto _ : state) {
        SpanSource source(archiveBytes());
        DatFile archive(source);
        Texture texture(archive.getBitmap("earth.bmp"), true, 1);
        benchmark::DoNotOptimize(texture.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(DecodeAndConvert)->Unit(benchmark::kMillisecond);

void ConvertToRgba(benchmark::State& state)
{
    const Bitmap picture = testPicture();
    for (auto _ : state) {
        Texture texture(&picture, true, 1);
        benchmark::DoNotOptimize(texture.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(ConvertToRgba)->Unit(benchmark::kMillisecond);

void NormalMap(benchmark::State& state)
{
    const Bitmap picture = testPicture();
    Texture texture(&picture, true, 0);
    const std::vector<uint8_t> heights = texture.pixels;
    for (auto _ : state) {
        state.PauseTiming();
        texture.pixels = heights;   // each pass starts from the height field again
        state.ResumeTiming();
        texture.makeNormalMap();
        benchmark::DoNotOptimize(texture.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(NormalMap)->Unit(benchmark::kMillisecond);

}  // namespace
