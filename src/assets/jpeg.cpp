#include "assets/jpeg.h"

#include "assets/jpegroute.h"

#include "platform/exception.h"

#include <cstring>

namespace {

// Larger pictures cannot become textures on any GL we run on, and a forged header could
// otherwise ask for gigabytes. Pixels a side.
constexpr JDIMENSION kMaxSide = 16384;

// The decoder's state lives in the caller's frame, outside the function that calls setjmp, so
// nothing in it is left indeterminate by the jump.
struct DecodeJob {
    JpegErrorRoute route;
    jpeg_decompress_struct cinfo;
    JpegInfo info = {0, 0, 0};
    std::unique_ptr<Bitmap> picture;
    bool tooLarge = false;

    DecodeJob()
    {
        std::memset(&cinfo, 0, sizeof cinfo);   // jpeg_destroy_decompress is safe on it even if creation failed
        cinfo.err = installJpegErrorRoute(route);
    }
    ~DecodeJob() { jpeg_destroy_decompress(&cinfo); }
    DecodeJob(const DecodeJob&) = delete;
    DecodeJob& operator=(const DecodeJob&) = delete;
};

// Drives the decoder. Returns false when the decoder raised an error (its number is in the
// route). Holds no object with a destructor, so the decoder's jump back skips nothing.
bool runDecode(DecodeJob& job, const uint8_t* data, size_t size, bool headerOnly)
{
    if (setjmp(job.route.jump)) return false;
    jpeg_create_decompress(&job.cinfo);
    jpeg_mem_src(&job.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&job.cinfo, TRUE);
    job.info = {static_cast<int>(job.cinfo.image_width), static_cast<int>(job.cinfo.image_height),
                job.cinfo.jpeg_color_space == JCS_GRAYSCALE ? 1 : 3};
    if (headerOnly) return true;
    if (job.cinfo.image_width > kMaxSide || job.cinfo.image_height > kMaxSide) {
        job.tooLarge = true;
        return true;
    }

    // Default settings (full size, full colour), except that colour comes out in the bitmap's
    // blue-green-red order straight away.
    const bool grey = job.cinfo.jpeg_color_space == JCS_GRAYSCALE;
    job.cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_start_decompress(&job.cinfo);
    job.picture.reset(new Bitmap(static_cast<int>(job.cinfo.output_width), static_cast<int>(job.cinfo.output_height),
                                 grey ? 8 : 24));
    while (job.cinfo.output_scanline < job.cinfo.output_height) {
        JSAMPROW row = job.picture->row(static_cast<int>(job.cinfo.output_scanline));
        jpeg_read_scanlines(&job.cinfo, &row, 1);
    }
    jpeg_finish_decompress(&job.cinfo);
    return true;
}

}  // namespace

std::unique_ptr<Bitmap> decodeJpeg(const uint8_t* data, size_t size)
{
    DecodeJob job;
    if (!runDecode(job, data, size, false)) throw Exception(jpegErrorMessage(job.route.code));
    if (job.tooLarge)
        throw Exception("JPEG picture of " + std::to_string(job.info.width) + " x " + std::to_string(job.info.height) +
                        " pixels is larger than " + std::to_string(kMaxSide) + " a side");
    return std::move(job.picture);
}

JpegInfo readJpegInfo(const uint8_t* data, size_t size)
{
    DecodeJob job;
    if (!runDecode(job, data, size, true)) throw Exception(jpegErrorMessage(job.route.code));
    return job.info;
}
