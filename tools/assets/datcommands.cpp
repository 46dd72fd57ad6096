#include "datcommands.h"

#include "imagefile.h"

#include "assets/datformat.h"
#include "assets/jpeg.h"
#include "assets/stream.h"

#include "platform/exception.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace {

const char* const kTool = "caldrise-assets";
constexpr int kDefaultQuality = 90;

// Bad usage: reported with exit code 2. Bad data arrives as Exception: exit code 1.
struct UsageError {
    std::string message;
};

struct PackRequest {
    int quality = kDefaultQuality;
    std::string archive;
    std::vector<std::string> entries;   // NAME or NAME=FILE
};

int parseQuality(const std::string& text)
{
    size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || value < 1 || value > 100)
        throw UsageError{"--quality takes a whole number from 1 to 100, not \"" + text + "\""};
    return value;
}

PackRequest parsePack(const std::vector<std::string>& args)
{
    PackRequest request;
    bool options = true;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options && a == "--") {
            options = false;
        } else if (options && a == "--quality") {
            if (i + 1 == args.size()) throw UsageError{"--quality needs a value"};
            request.quality = parseQuality(args[++i]);
        } else if (options && a.rfind("--quality=", 0) == 0) {
            request.quality = parseQuality(a.substr(10));
        } else if (options && a.size() > 1 && a[0] == '-') {
            throw UsageError{"unknown option " + a};
        } else if (request.archive.empty()) {
            request.archive = a;
        } else {
            request.entries.push_back(a);
        }
    }
    if (request.archive.empty()) throw UsageError{"pack needs an archive name"};
    if (request.entries.size() > static_cast<size_t>(kDatMaxEntries))
        throw UsageError{"an archive holds at most " + std::to_string(kDatMaxEntries) + " entries, not " +
                         std::to_string(request.entries.size())};
    return request;
}

void writeWholeFile(const std::string& fileName, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw Exception("Cannot write file " + fileName);
}

int pack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const PackRequest request = parsePack(args);
    // Check every argument before reading any file, so usage errors come first.
    struct Item {
        std::string name, file;
    };
    std::vector<Item> items;
    for (const std::string& argument : request.entries) {
        const auto eq = argument.find('=');
        Item item{argument.substr(0, eq), eq == std::string::npos ? "" : argument.substr(eq + 1)};
        if (item.name.size() >= kDatNameBytes)
            throw UsageError{"entry name \"" + item.name + "\" is longer than " + std::to_string(kDatNameBytes - 1) +
                             " characters"};
        const DatKind kind = datKindOf(item.name);
        if (kind != DatKind::none && item.file.empty())
            throw UsageError{"entry \"" + item.name + "\" needs a file: " + item.name + "=FILE"};
        if (kind == DatKind::none && eq != std::string::npos)
            throw UsageError{"entry \"" + item.name + "\" is of kind \"" + datKindText(item.name) +
                             "\", which carries no data; give its name alone"};
        for (const Item& earlier : items)
            if (datSameName(earlier.name, item.name))
                err << kTool << ": warning: entry \"" << item.name << "\" appears twice; lookups find only the first\n";
        items.push_back(item);
    }

    std::vector<DatEntry> entries;
    for (const Item& item : items) {
        DatEntry entry{item.name, {}};
        switch (datKindOf(item.name)) {
        case DatKind::image: entry.payload = imageEntryPayload(item.file, request.quality); break;
        case DatKind::mesh:
            entry.payload = readWholeFile(item.file);
            checkDatMeshPayload(entry.payload, item.name);
            break;
        case DatKind::none: break;
        }
        entries.push_back(std::move(entry));
    }
    const std::vector<uint8_t> bytes = writeDatArchive(entries);

    // Written beside the archive and renamed over it, so a failed pack leaves the old one whole.
    const std::string temporary = request.archive + ".part";
    try {
        writeWholeFile(temporary, bytes);
    } catch (const Exception&) {
        std::remove(temporary.c_str());
        throw;
    }
    if (std::rename(temporary.c_str(), request.archive.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw Exception("Cannot write file " + request.archive);
    }
    out << "packed " << entries.size() << " entries into " << request.archive << " (" << bytes.size() << " bytes)\n";
    return kExitOk;
}

std::vector<DatEntry> readArchive(const std::string& fileName)
{
    FileSource file(fileName);
    return readDatEntries(file);
}

// The first entry of the same name, or -1: later ones are never found by a lookup.
int firstOfName(const std::vector<DatEntry>& entries, size_t index)
{
    for (size_t i = 0; i < index; ++i)
        if (datSameName(entries[i].name, entries[index].name)) return static_cast<int>(i);
    return -1;
}

int list(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2) throw UsageError{"list takes one archive name"};
    const std::vector<DatEntry> entries = readArchive(args[1]);
    int status = kExitOk;
    out << args[1] << ": " << entries.size() << (entries.size() == 1 ? " entry\n" : " entries\n");
    for (size_t i = 0; i < entries.size(); ++i) {
        const DatEntry& e = entries[i];
        std::ostringstream what;
        switch (datKindOf(e.name)) {
        case DatKind::image:
            what << "image  ";
            try {
                const auto picture = decodeJpeg(e.payload.data(), e.payload.size());
                what << picture->width << " x " << picture->height << (picture->bitsPerPixel == 8 ? " grey" : " colour");
            } catch (const Exception& x) {
                what << "undecodable (" << x.message() << ")";
                err << kTool << ": " << args[1] << ": entry \"" << e.name << "\": " << x.message() << "\n";
                status = kExitBadData;
            }
            what << ", " << e.payload.size() << " bytes of JPEG";
            break;
        case DatKind::mesh: {
            const DatMeshCounts counts = checkDatMeshPayload(e.payload, e.name);
            what << "mesh   " << counts.points << (counts.points == 1 ? " point, " : " points, ") << counts.faces
                 << (counts.faces == 1 ? " face" : " faces");
            break;
        }
        case DatKind::none: what << "other  kind \"" << datKindText(e.name) << "\", no data"; break;
        }
        const int first = firstOfName(entries, i);
        if (first >= 0) what << " (hidden by entry " << first << " of the same name)";
        out << std::setw(4) << i << "  " << std::left << std::setw(24) << e.name << std::right << " " << what.str() << "\n";
    }
    return status;
}

bool usableAsFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos;
}

int extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 3) throw UsageError{"extract takes an archive name and a folder"};
    const std::string& folder = args[2];
    const std::vector<DatEntry> entries = readArchive(args[1]);

    std::vector<bool> chosen(entries.size(), args.size() == 3);
    int status = kExitOk;
    for (size_t a = 3; a < args.size(); ++a) {
        bool found = false;
        for (size_t i = 0; i < entries.size() && !found; ++i)
            if (datSameName(entries[i].name, args[a])) chosen[i] = found = true;
        if (!found) {
            err << kTool << ": " << args[1] << " has no entry \"" << args[a] << "\"\n";
            status = kExitBadData;
        }
    }

    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) throw Exception("Cannot make folder " + folder + ": " + made.message());

    // Prints the arguments that pack takes to make the same archive again, one entry a line.
    std::vector<std::string> written;   // file names used so far
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!chosen[i]) continue;
        const DatEntry& e = entries[i];
        const DatKind kind = datKindOf(e.name);
        if (kind == DatKind::none) {
            out << e.name << "\n";
            continue;
        }
        if (!usableAsFileName(e.name)) {
            err << kTool << ": skipped entry " << i << " \"" << e.name << "\": its name cannot be a file name\n";
            status = kExitBadData;
            continue;
        }
        // Images keep their whole entry name and gain ".jpg", since their data is JPEG; meshes
        // are written as stored (counts, points, faces), the form pack reads back. A name met
        // before (letter case aside, for folders that ignore it) gets the entry's number too, so
        // that duplicates survive a round trip.
        std::string base = e.name;
        for (const std::string& used : written)
            if (datSameName(used, base)) base = e.name + "~" + std::to_string(i);
        written.push_back(base);
        const std::string file = folder + "/" + base + (kind == DatKind::image ? ".jpg" : "");
        writeWholeFile(file, e.payload);
        out << e.name << "=" << file << "\n";
    }
    return status;
}

}  // namespace

void datUsage(std::ostream& out)
{
    out << "Archives of images (.dat):\n"
           "  caldrise-assets pack [--quality=N] ARCHIVE.dat ENTRY[=FILE]...\n"
           "      Packs the entries in the order given. An entry's kind is the text after the first\n"
           "      dot of its name: NAME.bmp takes a picture file (JPEG, kept as it is, or binary\n"
           "      PPM/PGM, encoded at quality N, 1 to 100, default 90), NAME.off a mesh file as\n"
           "      extract writes it; entries of any other kind carry no data and take no file.\n"
           "  caldrise-assets list ARCHIVE.dat\n"
           "      Lists the entries: kind, picture size, mesh counts; checks that every picture decodes.\n"
           "  caldrise-assets extract ARCHIVE.dat FOLDER [ENTRY...]\n"
           "      Writes the entries' data into FOLDER (pictures as NAME.jpg) and prints the\n"
           "      arguments pack takes to make the same archive again.\n";
}

int datCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    try {
        if (args.empty()) throw UsageError{"no command"};
        if (args[0] == "pack") return pack(args, out, err);
        if (args[0] == "list") return list(args, out, err);
        if (args[0] == "extract") return extract(args, out, err);
        throw UsageError{"unknown command \"" + args[0] + "\" for an archive of images"};
    } catch (const UsageError& e) {
        err << kTool << ": " << e.message << " (see " << kTool << " --help)\n";
        return kExitBadUsage;
    } catch (const Exception& e) {
        err << kTool << ": " << e.message() << "\n";
        return kExitBadData;
    }
}
