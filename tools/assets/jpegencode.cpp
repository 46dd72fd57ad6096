#include "jpegencode.h"

#include "assets/jpegroute.h"

#include "platform/exception.h"

#include <cstdlib>
#include <cstring>

namespace {

// The encoder's state sits outside the function that calls setjmp (see assets/jpegroute.h).
struct EncodeJob {
    JpegErrorRoute route;
    jpeg_compress_struct cinfo;
    unsigned char* buffer = nullptr;   // grown by the library with malloc
    unsigned long size = 0;

    EncodeJob()
    {
        std::memset(&cinfo, 0, sizeof cinfo);
        cinfo.err = installJpegErrorRoute(route);
    }
    ~EncodeJob()
    {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    EncodeJob(const EncodeJob&) = delete;
    EncodeJob& operator=(const EncodeJob&) = delete;
};

bool runEncode(EncodeJob& job, const Bitmap& picture, int quality)
{
    if (setjmp(job.route.jump)) return false;
    jpeg_create_compress(&job.cinfo);
    jpeg_mem_dest(&job.cinfo, &job.buffer, &job.size);
    job.cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    job.cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    switch (picture.bitsPerPixel) {
    case 8: job.cinfo.input_components = 1; job.cinfo.in_color_space = JCS_GRAYSCALE; break;
    case 32: job.cinfo.input_components = 4; job.cinfo.in_color_space = JCS_EXT_BGRX; break;
    default: job.cinfo.input_components = 3; job.cinfo.in_color_space = JCS_EXT_BGR; break;
    }
    jpeg_set_defaults(&job.cinfo);
    jpeg_set_quality(&job.cinfo, quality, TRUE);
    jpeg_start_compress(&job.cinfo, TRUE);
    while (job.cinfo.next_scanline < job.cinfo.image_height) {
        // The library only reads the rows it is given.
        JSAMPROW row = const_cast<JSAMPROW>(picture.row(static_cast<int>(job.cinfo.next_scanline)));
        jpeg_write_scanlines(&job.cinfo, &row, 1);
    }
    jpeg_finish_compress(&job.cinfo);
    return true;
}

}  // namespace

std::vector<uint8_t> encodeJpeg(const Bitmap& picture, int quality)
{
    if (picture.width <= 0 || picture.height <= 0) throw Exception("Cannot encode an empty picture");
    EncodeJob job;
    if (!runEncode(job, picture, quality)) throw Exception(jpegErrorMessage(job.route.code));
    return std::vector<uint8_t>(job.buffer, job.buffer + job.size);
}
