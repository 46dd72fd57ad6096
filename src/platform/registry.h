// The settings store: one registry root kept as a REGEDIT4 text file.
//
//   REGEDIT4
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Harvelle\Caldrise]
//   "resolution"=dword:00000003
//   "customize"="a b"
//
// Key paths and value names compare without regard to ASCII letter case. Values are typed
// (dword, string, or anything else kept as raw bytes). Every write rewrites the whole file
// atomically (temporary file, fsync, rename), so a reader never sees half a file. A file that
// cannot be parsed is an error naming the file and line; it is never silently replaced.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct RegistryValue {
    enum class Type { Dword, String, Other };
    std::string name;
    Type type = Type::String;
    uint32_t dword = 0;
    std::string text;                 // String: without the terminating zero
    std::string rawType;              // Other: the text before ':' ("hex", "hex(7)")
    std::vector<uint8_t> bytes;       // Other: the payload
};

struct RegistryKeyData {
    std::string path;                 // below the root, e.g. SOFTWARE\Harvelle\Caldrise
    std::vector<RegistryValue> values;
};

// The parsed contents of one root's file.
struct RegistryDocument {
    std::vector<RegistryKeyData> keys;

    // Parses REGEDIT4 text; `fileName` only names the file in the error message.
    static RegistryDocument parse(const std::string& text, const std::string& rootName,
                                  const std::string& fileName);
    std::string serialize(const std::string& rootName) const;

    RegistryKeyData* find(const std::string& path);
    bool keyExists(const std::string& path) const;   // also true for a parent of a stored key
};

// One root of the registry and the file that holds it.
class RegistryRoot {
public:
    RegistryRoot(std::string rootName, std::string fileName);

    // HKEY_LOCAL_MACHINE in $XDG_CONFIG_HOME/lumenhall (or ~/.config/lumenhall).
    static RegistryRoot localMachine();

    const std::string& rootName() const { return rootName_; }
    const std::string& fileName() const { return fileName_; }

    // A missing file is an empty root; an unreadable or unparsable one raises.
    RegistryDocument load() const;
    // Atomic replacement of the file; false when any step fails (the old file then stands).
    bool store(const RegistryDocument& document) const;

private:
    std::string rootName_;
    std::string fileName_;
};

class RegistryKey {
public:
    enum class Access { Read, FullAccess };

    static bool exists(const RegistryRoot& root, const std::string& path);

    // Read: null when the key does not exist. FullAccess: the key is created by the first write.
    static std::unique_ptr<RegistryKey> open(const RegistryRoot& root, const std::string& path,
                                             Access access);

    // Missing value: "Failed to get data for '%s'"; wrong type: "Invalid data type for '%s'".
    int32_t readInteger(const std::string& name) const;
    // Missing value reads as the empty string; wrong type: "Invalid data type for '%s'".
    std::string readString(const std::string& name) const;

    // A failed write (read-only key, unwritable folder): "Failed to set data for '%s'"; a file that
    // cannot be parsed raises its own message and is left untouched.
    void writeInteger(const std::string& name, int32_t value);
    void writeString(const std::string& name, const std::string& value);

private:
    RegistryKey(const RegistryRoot& root, std::string path, Access access, RegistryDocument doc);
    const RegistryValue* value(const std::string& name) const;
    void write(RegistryValue value);

    RegistryRoot root_;
    std::string path_;
    Access access_;
    RegistryDocument snapshot_;       // what the file held when the key was opened, plus our writes
};
