#include "assets/datfile.h"

#include "assets/datformat.h"
#include "assets/jpeg.h"
#include "assets/stream.h"

static_assert(DatFile::kSlots == kDatMaxEntries, "every entry position has a slot");
static_assert(sizeof(Vector3D) == kDatPointBytes, "points are read straight into Vector3D arrays");

#if defined(__BYTE_ORDER__)
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the file's floats are little-endian and read as they are");
#endif

DatFile::DatFile(const std::string& fileName)
{
    FileSource file(fileName);
    read(file);
}

DatFile::DatFile(ByteSource& source)
{
    read(source);
}

void DatFile::read(ByteSource& source)
{
    names_ = readDatNames(source);
    std::vector<uint8_t> payload;
    for (size_t i = 0; i < names_.size(); ++i) {
        const std::string& name = names_[i];
        switch (datKindOf(name)) {
        case DatKind::image:
            payload.resize(static_cast<size_t>(readDatImageSize(source, name)));
            source.readExact(payload.data(), payload.size());
            images_[i] = decodeJpeg(payload.data(), payload.size());
            break;
        case DatKind::mesh: {
            const DatMeshCounts counts = readDatMeshCounts(source, name);
            auto mesh = std::make_unique<DatMesh>();
            mesh->faceCount = counts.faces;
            mesh->pointCount = counts.points;
            mesh->points.resize(static_cast<size_t>(counts.points));
            mesh->faces.resize(static_cast<size_t>(counts.faces) * kDatFaceBytes);
            source.readExact(mesh->points.data(), mesh->points.size() * kDatPointBytes);
            source.readExact(mesh->faces.data(), mesh->faces.size());
            meshes_[i] = std::move(mesh);
            break;
        }
        case DatKind::none:
            break;
        }
    }
    checkDatEnd(source, names_.size());
}

const Bitmap* DatFile::getBitmap(const std::string& name) const
{
    for (size_t i = 0; i < names_.size(); ++i)
        if (datSameName(names_[i], name)) return images_[i].get();
    return nullptr;
}

const Bitmap* DatFile::image(int slot) const
{
    return slot >= 0 && slot < kSlots ? images_[slot].get() : nullptr;
}

const DatMesh* DatFile::mesh(int slot) const
{
    return slot >= 0 && slot < kSlots ? meshes_[slot].get() : nullptr;
}
