#include "imagefile.h"

#include "jpegencode.h"

#include "assets/jpeg.h"
#include "assets/stream.h"

#include "platform/exception.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

std::vector<uint8_t> readWholeFile(const std::string& fileName)
{
    FileSource file(fileName);
    std::vector<uint8_t> bytes(static_cast<size_t>(file.size()));
    file.readExact(bytes.data(), bytes.size());
    return bytes;
}

namespace {

// Netpbm header fields: decimal numbers separated by whitespace, with "#" comments to the end of
// the line.
class PnmHeader {
public:
    PnmHeader(const std::vector<uint8_t>& bytes, const std::string& fileName) : bytes_(bytes), fileName_(fileName) {}

    int number()
    {
        for (;;) {
            while (at_ < bytes_.size() && std::isspace(bytes_[at_])) ++at_;
            if (at_ < bytes_.size() && bytes_[at_] == '#') {
                while (at_ < bytes_.size() && bytes_[at_] != '\n') ++at_;
                continue;
            }
            break;
        }
        if (at_ >= bytes_.size() || !std::isdigit(bytes_[at_])) fail("a header number is missing");
        long value = 0;
        while (at_ < bytes_.size() && std::isdigit(bytes_[at_])) {
            value = value * 10 + (bytes_[at_++] - '0');
            if (value > 1000000) fail("a header number is out of range");
        }
        return static_cast<int>(value);
    }

    // The single whitespace byte that ends the header; the pixels follow it.
    size_t pixelStart()
    {
        if (at_ >= bytes_.size() || !std::isspace(bytes_[at_])) fail("the header does not end in whitespace");
        return at_ + 1;
    }

    [[noreturn]] void fail(const std::string& why) const
    {
        throw Exception(fileName_ + ": not a binary PPM or PGM picture (" + why + ")");
    }

private:
    const std::vector<uint8_t>& bytes_;
    const std::string& fileName_;
    size_t at_ = 2;   // after the magic
};

bool startsWith(const std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> prefix)
{
    if (bytes.size() < prefix.size()) return false;
    size_t i = 0;
    for (uint8_t b : prefix)
        if (bytes[i++] != b) return false;
    return true;
}

}  // namespace

std::unique_ptr<Bitmap> readPnm(const std::vector<uint8_t>& bytes, const std::string& fileName)
{
    PnmHeader header(bytes, fileName);
    const bool colour = startsWith(bytes, {'P', '6'});
    if (!colour && !startsWith(bytes, {'P', '5'})) header.fail("no P6 or P5 magic");
    const int width = header.number();
    const int height = header.number();
    const int levels = header.number();
    if (width <= 0 || height <= 0) header.fail("a side of 0 pixels");
    if (levels <= 0 || levels > 255) header.fail("maximum level " + std::to_string(levels) + ", not 1 to 255");
    const size_t start = header.pixelStart();
    const int channels = colour ? 3 : 1;
    const size_t need = static_cast<size_t>(width) * height * channels;
    if (bytes.size() - start < need) header.fail("the pixels end early");

    auto picture = std::make_unique<Bitmap>(width, height, colour ? 24 : 8);
    const uint8_t* s = bytes.data() + start;
    const auto level = [levels](uint8_t v) { return static_cast<uint8_t>(std::min<int>(v, levels) * 255 / levels); };
    for (int y = 0; y < height; ++y) {
        uint8_t* d = picture->row(y);
        for (int x = 0; x < width; ++x, s += channels) {
            if (colour) {   // file order red, green, blue; bitmap order blue, green, red
                *d++ = level(s[2]);
                *d++ = level(s[1]);
                *d++ = level(s[0]);
            } else {
                *d++ = level(s[0]);
            }
        }
    }
    return picture;
}

std::vector<uint8_t> imageEntryPayload(const std::string& fileName, int quality)
{
    std::vector<uint8_t> bytes = readWholeFile(fileName);
    if (startsWith(bytes, {0xff, 0xd8})) {
        try {
            decodeJpeg(bytes.data(), bytes.size());
        } catch (const Exception& e) {
            throw Exception(fileName + ": " + e.message());
        }
        return bytes;
    }
    if (startsWith(bytes, {'P', '6'}) || startsWith(bytes, {'P', '5'}))
        return encodeJpeg(*readPnm(bytes, fileName), quality);
    if (startsWith(bytes, {0x89, 'P', 'N', 'G'}))
        throw Exception(fileName + ": PNG pictures are not read; convert it to JPEG or binary PPM first");
    throw Exception(fileName + ": not a JPEG, binary PPM or PGM picture");
}
