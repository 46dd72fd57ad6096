// The archive format of the .dat files, shared by the reader (DatFile) and the packer
// (caldrise-assets), so that the two cannot drift apart.
//
// All integers are 32-bit two's complement, little-endian; no magic, no version, no padding:
//
//   entry count N
//   N name fields of 64 bytes: single-byte text ended by a NUL inside the field
//   the payloads, one per entry that has one, in entry order, back to back:
//     kind "bmp": image size S, then S bytes of a JPEG stream (JPEG despite the kind's name)
//     kind "off": point count P, face count F, P points of three floats, F face records of
//                 12 raw bytes
//     any other kind: no payload at all
//
// An entry's kind is the text after the first "." of its name (the whole name when there is no
// dot), compared without regard to letter case: "a.b.bmp" is of kind "b.bmp" and has no payload.
//
// The reading functions check what the format leaves to trust (counts, sizes, the NUL of each
// name) and raise Exception instead of reading past the tables or the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ByteSource;

constexpr int kDatMaxEntries = 100;    // the reader's image and mesh tables have this many slots
constexpr size_t kDatNameBytes = 64;   // one name field, its NUL included
constexpr size_t kDatPointBytes = 12;  // x, y, z as 32-bit floats
constexpr size_t kDatFaceBytes = 12;   // uninterpreted

enum class DatKind { image, mesh, none };

// The kind text of a name: after the first dot, or the whole name; not lower-cased.
std::string datKindText(const std::string& name);
DatKind datKindOf(const std::string& name);

// Whole names compared byte by byte without regard to letter case.
bool datSameName(const std::string& a, const std::string& b);

// Reads the entry count and the name table, leaving the source at the first payload.
// Raises on a negative count, more than kDatMaxEntries entries, a name table shorter than the
// count and a name field without its NUL.
std::vector<std::string> readDatNames(ByteSource& in);

// Reads an image entry's size field and checks it: a size of 0 or less is rejected, a size
// beyond the remaining data raises the stream's "Stream read error". The JPEG bytes follow.
int32_t readDatImageSize(ByteSource& in, const std::string& name);

// Reads a mesh entry's two counts and checks them against the data that follows.
struct DatMeshCounts {
    int32_t points;
    int32_t faces;
    size_t bytes() const { return static_cast<size_t>(points) * kDatPointBytes + static_cast<size_t>(faces) * kDatFaceBytes; }
};
DatMeshCounts readDatMeshCounts(ByteSource& in, const std::string& name);

// Raises when data follows the last payload: the entry count does not match what the file holds.
void checkDatEnd(const ByteSource& in, size_t entryCount);

// One entry as the packer writes it and the tool reads it, payload bytes undecoded.
struct DatEntry {
    std::string name;
    // Image: the JPEG stream (the size field is written from its length). Mesh: the bytes as
    // stored, counts included. Other kinds: empty.
    std::vector<uint8_t> payload;
};

// Checks a mesh payload as stored (counts, points, faces, nothing more) and returns its counts.
DatMeshCounts checkDatMeshPayload(const std::vector<uint8_t>& payload, const std::string& name);

// Reads a whole archive without decoding its images, with the checks above.
std::vector<DatEntry> readDatEntries(ByteSource& in);

// The bytes of an archive holding these entries. Raises on an entry the reader would reject:
// more than kDatMaxEntries entries, a name of 64 bytes or more or with a NUL in it, an empty image
// payload, a mesh payload whose size does not match its counts, a payload on an entry whose kind
// has none.
std::vector<uint8_t> writeDatArchive(const std::vector<DatEntry>& entries);
