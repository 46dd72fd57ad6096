// DatFile: an archive of named images (see datformat.h for the bytes). The constructor reads the
// whole archive: it lists the entry names, decodes every image entry into a bitmap and keeps
// every mesh entry; afterwards the archive is only asked for images by name.
//
// Failures leave the constructor as Exception, and there is no archive then:
//   "Cannot open file %s"  the file cannot be opened (the file name);
//   "Stream read error"    the data ends inside a field or an image payload;
//   "JPEG error #%d"       an image payload is not a decodable JPEG stream (the decoder's number);
// and, for archives that break the format, the messages of datformat.h's reading functions.
#pragma once

#include "assets/bitmap.h"

#include "kit/vector3d.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ByteSource;

// A mesh entry, kept as read; nothing in the program draws it.
struct DatMesh {
    int32_t faceCount = 0;
    int32_t pointCount = 0;
    std::vector<Vector3D> points;   // pointCount points, straight from the file's floats
    std::vector<uint8_t> faces;     // faceCount records of 12 bytes, uninterpreted
};

class DatFile {
public:
    static constexpr int kSlots = 100;   // image and mesh slots, indexed by entry position

    // Opens the file by the name given (relative names against the current directory).
    explicit DatFile(const std::string& fileName);
    // Reads an archive from any byte source, from its current position to its end.
    explicit DatFile(ByteSource& source);
    DatFile(const DatFile&) = delete;
    DatFile& operator=(const DatFile&) = delete;

    // The image of the first entry whose whole name, kind included, equals `name` without regard
    // to letter case; null when there is no such entry or it holds no image. Never raises.
    // The archive keeps the bitmap; it lives as long as the archive.
    const Bitmap* getBitmap(const std::string& name) const;

    const std::vector<std::string>& names() const { return names_; }   // in archive order
    const Bitmap* image(int slot) const;   // null for an empty slot or one out of range
    const DatMesh* mesh(int slot) const;

private:
    void read(ByteSource& source);

    std::vector<std::string> names_;
    std::unique_ptr<Bitmap> images_[kSlots];
    std::unique_ptr<DatMesh> meshes_[kSlots];
};
