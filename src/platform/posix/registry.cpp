#include "platform/registry.h"

#include "platform/exception.h"
#include "platform/system.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

std::string lower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

bool sameName(const std::string& a, const std::string& b) { return lower(a) == lower(b); }

[[noreturn]] void parseError(const std::string& file, int line, const std::string& what)
{
    throw Exception("Cannot read the settings file " + file + ", line " + std::to_string(line) +
                    ": " + what);
}

std::string trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

// Reads a quoted string starting at text[pos] == '"'; backslash escapes '\\' and '"'.
bool readQuoted(const std::string& text, size_t& pos, std::string& out)
{
    out.clear();
    ++pos;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"') return true;
        if (c == '\\') {
            if (pos >= text.size()) return false;
            const char e = text[pos++];
            if (e != '\\' && e != '"') return false;
            out += e;
        } else {
            out += c;
        }
    }
    return false;
}

std::string quote(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

bool parseHexBytes(const std::string& text, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    size_t pos = 0;
    const std::string t = trim(text);
    if (t.empty()) return true;
    while (pos <= t.size()) {
        size_t comma = t.find(',', pos);
        if (comma == std::string::npos) comma = t.size();
        const std::string item = trim(t.substr(pos, comma - pos));
        if (item.empty() || item.size() > 2) return false;
        unsigned value = 0;
        for (char c : item) {
            value <<= 4;
            if (c >= '0' && c <= '9') value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f') value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') value |= static_cast<unsigned>(c - 'A' + 10);
            else return false;
        }
        bytes.push_back(static_cast<uint8_t>(value));
        pos = comma + 1;
    }
    return true;
}

// A value's data after '=': a string, dword:, hex: or hex(n):.
bool parseData(const std::string& data, RegistryValue& v)
{
    if (!data.empty() && data[0] == '"') {
        size_t pos = 0;
        if (!readQuoted(data, pos, v.text) || !trim(data.substr(pos)).empty()) return false;
        v.type = RegistryValue::Type::String;
        return true;
    }
    const size_t colon = data.find(':');
    if (colon == std::string::npos) return false;
    const std::string kind = lower(trim(data.substr(0, colon)));
    const std::string rest = trim(data.substr(colon + 1));
    if (kind == "dword") {
        if (rest.empty() || rest.size() > 8) return false;
        uint32_t value = 0;
        for (char c : rest) {
            value <<= 4;
            if (c >= '0' && c <= '9') value |= static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f') value |= static_cast<uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') value |= static_cast<uint32_t>(c - 'A' + 10);
            else return false;
        }
        v.type = RegistryValue::Type::Dword;
        v.dword = value;
        return true;
    }
    if (kind != "hex" && !(kind.size() > 5 && kind.compare(0, 4, "hex(") == 0 && kind.back() == ')'))
        return false;
    std::vector<uint8_t> bytes;
    if (!parseHexBytes(rest, bytes)) return false;
    if (kind == "hex(1)") {   // a string in byte form, with its terminating zero
        v.type = RegistryValue::Type::String;
        v.text.assign(bytes.begin(), bytes.end());
        const size_t nul = v.text.find('\0');
        if (nul != std::string::npos) v.text.resize(nul);
        return true;
    }
    if (kind == "hex(4)" && bytes.size() == 4) {
        v.type = RegistryValue::Type::Dword;
        v.dword = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
        return true;
    }
    v.type = RegistryValue::Type::Other;
    v.rawType = kind;
    v.bytes = std::move(bytes);
    return true;
}

std::string hexList(const std::vector<uint8_t>& bytes)
{
    std::string out;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        if (i) out += ',';
        out += buf;
    }
    return out;
}

std::string serializeValue(const RegistryValue& v)
{
    const std::string name = v.name.empty() ? "@" : quote(v.name);
    switch (v.type) {
    case RegistryValue::Type::Dword: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", v.dword);
        return name + "=" + buf;
    }
    case RegistryValue::Type::String:
        // A line break cannot stand in a quoted string of this format: such text goes in byte form.
        if (v.text.find_first_of("\r\n") != std::string::npos) {
            std::vector<uint8_t> bytes(v.text.begin(), v.text.end());
            bytes.push_back(0);
            return name + "=hex(1):" + hexList(bytes);
        }
        return name + "=" + quote(v.text);
    case RegistryValue::Type::Other:
        return name + "=" + v.rawType + ":" + hexList(v.bytes);
    }
    return name;
}

bool writeAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool makeFolders(const std::string& folder)
{
    if (folder.empty()) return true;
    struct stat st{};
    if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(folder.substr(0, slash))) return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

// ---- RegistryDocument ------------------------------------------------------------------------

RegistryDocument RegistryDocument::parse(const std::string& text, const std::string& rootName,
                                         const std::string& fileName)
{
    RegistryDocument doc;
    RegistryKeyData* key = nullptr;
    bool sawHeader = false;
    int lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = trim(text.substr(pos, end - pos));
        pos = end + 1;
        const int startLine = ++lineNumber;
        // Byte lists may go on over several lines, each but the last ending in a backslash.
        while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos &&
               pos < text.size()) {
            line.pop_back();
            end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            line += trim(text.substr(pos, end - pos));
            pos = end + 1;
            ++lineNumber;
        }
        if (line.empty() || line[0] == ';') continue;
        if (!sawHeader) {
            if (line != "REGEDIT4") parseError(fileName, startLine, "expected REGEDIT4");
            sawHeader = true;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') parseError(fileName, startLine, "unterminated key name");
            std::string path = line.substr(1, line.size() - 2);
            const std::string prefix = rootName + "\\";
            if (sameName(path, rootName)) {
                path.clear();
            } else if (path.size() > prefix.size() && sameName(path.substr(0, prefix.size()), prefix)) {
                path = path.substr(prefix.size());
            } else {
                parseError(fileName, startLine, "key outside " + rootName);
            }
            key = doc.find(path);
            if (!key) {
                doc.keys.push_back({path, {}});
                key = &doc.keys.back();
            }
            continue;
        }
        if (!key) parseError(fileName, startLine, "value outside a key");
        RegistryValue v;
        size_t at = 0;
        if (line[0] == '@') {
            at = 1;
        } else if (line[0] == '"') {
            if (!readQuoted(line, at, v.name)) parseError(fileName, startLine, "bad value name");
        } else {
            parseError(fileName, startLine, "unexpected text");
        }
        const std::string rest = trim(line.substr(at));
        if (rest.empty() || rest[0] != '=') parseError(fileName, startLine, "expected '='");
        if (!parseData(trim(rest.substr(1)), v)) parseError(fileName, startLine, "bad value data");
        bool replaced = false;
        for (auto& existing : key->values) {
            if (sameName(existing.name, v.name)) {
                existing = v;
                replaced = true;
            }
        }
        if (!replaced) key->values.push_back(std::move(v));
    }
    if (!sawHeader && lineNumber > 0 && !trim(text).empty()) parseError(fileName, 1, "expected REGEDIT4");
    return doc;
}

std::string RegistryDocument::serialize(const std::string& rootName) const
{
    std::string out = "REGEDIT4\n";
    for (const auto& key : keys) {
        out += "\n[" + rootName + (key.path.empty() ? "" : "\\" + key.path) + "]\n";
        for (const auto& v : key.values) out += serializeValue(v) + "\n";
    }
    return out;
}

RegistryKeyData* RegistryDocument::find(const std::string& path)
{
    for (auto& key : keys) {
        if (sameName(key.path, path)) return &key;
    }
    return nullptr;
}

bool RegistryDocument::keyExists(const std::string& path) const
{
    const std::string wanted = lower(path);
    if (wanted.empty()) return true;   // the root itself
    for (const auto& key : keys) {
        const std::string have = lower(key.path);
        if (have == wanted) return true;
        if (have.size() > wanted.size() && have.compare(0, wanted.size(), wanted) == 0 &&
            have[wanted.size()] == '\\')
            return true;
    }
    return false;
}

// ---- RegistryRoot ----------------------------------------------------------------------------

RegistryRoot::RegistryRoot(std::string rootName, std::string fileName)
    : rootName_(std::move(rootName)), fileName_(std::move(fileName))
{
}

RegistryRoot RegistryRoot::localMachine()
{
    std::string config = environmentValue("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/') {
        const std::string home = environmentValue("HOME");
        config = (home.empty() ? std::string("/tmp") : home) + "/.config";
    }
    return RegistryRoot("HKEY_LOCAL_MACHINE", config + "/lumenhall/HKEY_LOCAL_MACHINE.reg");
}

RegistryDocument RegistryRoot::load() const
{
    FILE* f = std::fopen(fileName_.c_str(), "rb");
    if (!f) {
        if (errno == ENOENT || errno == ENOTDIR) return {};
        throw Exception("Cannot read the settings file " + fileName_ + ": " + std::strerror(errno));
    }
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw Exception("Cannot read the settings file " + fileName_);
    return RegistryDocument::parse(text, rootName_, fileName_);
}

bool RegistryRoot::store(const RegistryDocument& document) const
{
    const size_t slash = fileName_.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : fileName_.substr(0, slash);
    if (!makeFolders(folder)) return false;
    const std::string temp = fileName_ + ".tmp" + std::to_string(getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool written = writeAll(fd, document.serialize(rootName_)) && fsync(fd) == 0;
    if (::close(fd) != 0 || !written || rename(temp.c_str(), fileName_.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    // The rename itself must reach the disk for the new file to survive a crash.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        ::close(dir);
    }
    return true;
}

// ---- RegistryKey -----------------------------------------------------------------------------

bool RegistryKey::exists(const RegistryRoot& root, const std::string& path)
{
    return root.load().keyExists(path);
}

std::unique_ptr<RegistryKey> RegistryKey::open(const RegistryRoot& root, const std::string& path,
                                               Access access)
{
    RegistryDocument doc = root.load();
    if (access == Access::Read && !doc.keyExists(path)) return nullptr;
    return std::unique_ptr<RegistryKey>(new RegistryKey(root, path, access, std::move(doc)));
}

RegistryKey::RegistryKey(const RegistryRoot& root, std::string path, Access access, RegistryDocument doc)
    : root_(root), path_(std::move(path)), access_(access), snapshot_(std::move(doc))
{
}

const RegistryValue* RegistryKey::value(const std::string& name) const
{
    for (const auto& key : snapshot_.keys) {
        if (!sameName(key.path, path_)) continue;
        for (const auto& v : key.values) {
            if (sameName(v.name, name)) return &v;
        }
    }
    return nullptr;
}

int32_t RegistryKey::readInteger(const std::string& name) const
{
    const RegistryValue* v = value(name);
    if (!v) throw Exception(formatMessage("Failed to get data for '%s'", name));
    if (v->type != RegistryValue::Type::Dword)
        throw Exception(formatMessage("Invalid data type for '%s'", name));
    return static_cast<int32_t>(v->dword);
}

std::string RegistryKey::readString(const std::string& name) const
{
    const RegistryValue* v = value(name);
    if (!v) return {};
    if (v->type != RegistryValue::Type::String)
        throw Exception(formatMessage("Invalid data type for '%s'", name));
    return v->text;
}

void RegistryKey::writeInteger(const std::string& name, int32_t value)
{
    RegistryValue v;
    v.name = name;
    v.type = RegistryValue::Type::Dword;
    v.dword = static_cast<uint32_t>(value);
    write(std::move(v));
}

void RegistryKey::writeString(const std::string& name, const std::string& value)
{
    RegistryValue v;
    v.name = name;
    v.type = RegistryValue::Type::String;
    v.text = value;
    write(std::move(v));
}

void RegistryKey::write(RegistryValue v)
{
    const std::string failed = formatMessage("Failed to set data for '%s'", v.name);
    if (access_ != Access::FullAccess) throw Exception(failed);
    // Re-read the file so that values written meanwhile by someone else are kept; a file that
    // has become unreadable raises its own message and is left as it is.
    RegistryDocument doc = root_.load();
    RegistryKeyData* key = doc.find(path_);
    if (!key) {
        doc.keys.push_back({path_, {}});
        key = &doc.keys.back();
    }
    bool replaced = false;
    for (auto& existing : key->values) {
        if (sameName(existing.name, v.name)) {
            existing = v;
            replaced = true;
        }
    }
    if (!replaced) key->values.push_back(v);
    if (!root_.store(doc)) throw Exception(failed);
    snapshot_ = std::move(doc);
}
