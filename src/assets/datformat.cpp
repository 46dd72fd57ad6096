#include "assets/datformat.h"

#include "assets/stream.h"

#include "platform/exception.h"

#include <cctype>
#include <cstring>

namespace {

std::string lowerCase(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

void appendInt32(std::vector<uint8_t>& out, int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 24));
}

}  // namespace

std::string datKindText(const std::string& name)
{
    const auto dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

DatKind datKindOf(const std::string& name)
{
    const std::string kind = lowerCase(datKindText(name));
    if (kind == "bmp") return DatKind::image;
    if (kind == "off") return DatKind::mesh;
    return DatKind::none;
}

bool datSameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<std::string> readDatNames(ByteSource& in)
{
    const int32_t count = in.readInt32();
    if (count < 0) throw Exception("Archive has a negative entry count (" + std::to_string(count) + ")");
    if (count > kDatMaxEntries)
        throw Exception("Archive has " + std::to_string(count) + " entries, more than the " +
                        std::to_string(kDatMaxEntries) + " it can hold");
    if (in.remaining() < static_cast<int64_t>(count * kDatNameBytes))
    {
        const int64_t present = in.remaining() / static_cast<int64_t>(kDatNameBytes);
        throw Exception("Archive names " + std::to_string(count) + " entries but holds only " +
                        std::to_string(present) + (present == 1 ? " name field" : " name fields"));
    }

    std::vector<std::string> names;
    names.reserve(count);
    char field[kDatNameBytes];
    for (int32_t i = 0; i < count; ++i) {
        in.readExact(field, sizeof field);
        const void* end = std::memchr(field, 0, sizeof field);
        if (!end)
            throw Exception("Archive entry " + std::to_string(i) + " has a name field without its NUL");
        names.emplace_back(field, static_cast<const char*>(end) - field);
    }
    return names;
}

int32_t readDatImageSize(ByteSource& in, const std::string& name)
{
    const int32_t size = in.readInt32();
    if (size <= 0)
        throw Exception("Image entry " + quoted(name) + " has a size of " + std::to_string(size) + " bytes");
    // The stream's own words for a payload that runs past the end of the file.
    if (size > in.remaining()) throw Exception("Stream read error");
    return size;
}

DatMeshCounts readDatMeshCounts(ByteSource& in, const std::string& name)
{
    DatMeshCounts counts;
    counts.points = in.readInt32();
    counts.faces = in.readInt32();
    const std::string what = std::to_string(counts.points) + " points and " + std::to_string(counts.faces) + " faces";
    if (counts.points < 0 || counts.faces < 0)
        throw Exception("Mesh entry " + quoted(name) + " has a negative count: " + what);
    if (static_cast<int64_t>(counts.bytes()) > in.remaining())
        throw Exception("Mesh entry " + quoted(name) + " claims " + what + ", more than the " +
                        std::to_string(in.remaining()) + " bytes that follow");
    return counts;
}

void checkDatEnd(const ByteSource& in, size_t entryCount)
{
    if (in.remaining() > 0)
        throw Exception("Archive holds " + std::to_string(in.remaining()) + " bytes after its last entry; " +
                        "its entry count (" + std::to_string(entryCount) + ") does not match the data");
}

DatMeshCounts checkDatMeshPayload(const std::vector<uint8_t>& payload, const std::string& name)
{
    MemorySource in(payload);
    const DatMeshCounts counts = readDatMeshCounts(in, name);
    if (in.remaining() != static_cast<int64_t>(counts.bytes()))
        throw Exception("Mesh entry " + quoted(name) + " holds " + std::to_string(in.remaining()) +
                        " bytes after its counts instead of " + std::to_string(counts.bytes()));
    return counts;
}

std::vector<DatEntry> readDatEntries(ByteSource& in)
{
    std::vector<DatEntry> entries;
    for (std::string& name : readDatNames(in)) entries.push_back({std::move(name), {}});
    for (DatEntry& entry : entries) {
        switch (datKindOf(entry.name)) {
        case DatKind::image:
            entry.payload.resize(readDatImageSize(in, entry.name));
            in.readExact(entry.payload.data(), entry.payload.size());
            break;
        case DatKind::mesh: {
            const int64_t start = in.position();
            const DatMeshCounts counts = readDatMeshCounts(in, entry.name);
            in.seek(start);
            entry.payload.resize(8 + counts.bytes());
            in.readExact(entry.payload.data(), entry.payload.size());
            break;
        }
        case DatKind::none:
            break;
        }
    }
    checkDatEnd(in, entries.size());
    return entries;
}

std::vector<uint8_t> writeDatArchive(const std::vector<DatEntry>& entries)
{
    if (entries.size() > static_cast<size_t>(kDatMaxEntries))
        throw Exception("An archive holds at most " + std::to_string(kDatMaxEntries) + " entries, not " +
                        std::to_string(entries.size()));
    std::vector<uint8_t> out;
    appendInt32(out, static_cast<int32_t>(entries.size()));
    for (const DatEntry& entry : entries) {
        if (entry.name.size() >= kDatNameBytes)
            throw Exception("Entry name " + quoted(entry.name) + " is longer than " +
                            std::to_string(kDatNameBytes - 1) + " characters");
        const auto nul = entry.name.find('\0');
        if (nul != std::string::npos)   // the message names only the part before it
            throw Exception("Entry name " + quoted(entry.name.substr(0, nul)) + "... holds a NUL at byte " +
                            std::to_string(nul));
        const size_t at = out.size();
        out.resize(at + kDatNameBytes, 0);
        std::memcpy(out.data() + at, entry.name.data(), entry.name.size());
    }
    for (const DatEntry& entry : entries) {
        switch (datKindOf(entry.name)) {
        case DatKind::image:
            if (entry.payload.empty()) throw Exception("Image entry " + quoted(entry.name) + " has no data");
            if (entry.payload.size() > 0x7fffffffu)
                throw Exception("Image entry " + quoted(entry.name) + " is larger than 2 GiB");
            appendInt32(out, static_cast<int32_t>(entry.payload.size()));
            break;
        case DatKind::mesh:
            checkDatMeshPayload(entry.payload, entry.name);
            break;
        case DatKind::none:
            if (!entry.payload.empty())
                throw Exception("Entry " + quoted(entry.name) + " is of kind \"" + datKindText(entry.name) +
                                "\", which carries no data");
            break;
        }
        out.insert(out.end(), entry.payload.begin(), entry.payload.end());
    }
    return out;
}
