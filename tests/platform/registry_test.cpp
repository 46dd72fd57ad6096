#include "platform/registry.h"

#include "platform/exception.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

const char* kKey = "SOFTWARE\\Harvelle\\Caldrise";

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return "(no error)";
}

class RegistryTest : public ::testing::Test {
protected:
    TempFolder folder;
    RegistryRoot root{"HKEY_LOCAL_MACHINE", folder.file("config/lumenhall/HKEY_LOCAL_MACHINE.reg")};
};

TEST_F(RegistryTest, WrittenValuesReadBackAndTheFileIsRegedit4)
{
    EXPECT_FALSE(RegistryKey::exists(root, kKey)) << "a missing file is an empty root";
    EXPECT_EQ(RegistryKey::open(root, kKey, RegistryKey::Access::Read), nullptr);

    auto key = RegistryKey::open(root, kKey, RegistryKey::Access::FullAccess);
    ASSERT_NE(key, nullptr);
    key->writeInteger("resolution", -1);
    key->writeInteger("sound", 1);
    key->writeString("customize", "\"a b\",c\\d");

    EXPECT_EQ(readFile(root.fileName()),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Harvelle\\Caldrise]\n"
              "\"resolution\"=dword:ffffffff\n\"sound\"=dword:00000001\n"
              "\"customize\"=\"\\\"a b\\\",c\\\\d\"\n");

    EXPECT_TRUE(RegistryKey::exists(root, "software\\harvelle")) << "parents exist, names ignore case";
    const auto reader = RegistryKey::open(root, "Software\\Harvelle\\CALDRISE", RegistryKey::Access::Read);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->readInteger("Resolution"), -1);
    EXPECT_EQ(reader->readInteger("sound"), 1);
    EXPECT_EQ(reader->readString("customize"), "\"a b\",c\\d");
    EXPECT_EQ(reader->readString("absent"), "") << "a missing string reads as empty";

    struct stat st{};
    ASSERT_EQ(stat(root.fileName().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RegistryTest, ReadErrorsCarryTheValueName)
{
    auto key = RegistryKey::open(root, kKey, RegistryKey::Access::FullAccess);
    key->writeString("resolution", "3");
    key->writeInteger("customize", 5);
    const auto reader = RegistryKey::open(root, kKey, RegistryKey::Access::Read);
    EXPECT_EQ(errorOf([&] { reader->readInteger("sound"); }), "Failed to get data for 'sound'");
    EXPECT_EQ(errorOf([&] { reader->readInteger("resolution"); }), "Invalid data type for 'resolution'");
    EXPECT_EQ(errorOf([&] { reader->readString("customize"); }), "Invalid data type for 'customize'");
    EXPECT_EQ(errorOf([&] { reader->writeInteger("sound", 1); }), "Failed to set data for 'sound'")
        << "a key opened for reading cannot be written";
}

TEST_F(RegistryTest, HandWrittenFilesParse)
{
    mkdir(folder.file("config").c_str(), 0700);
    mkdir(folder.file("config/lumenhall").c_str(), 0700);
    writeFile(root.fileName(),
              "; written by hand\r\nREGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Harvelle\\Caldrise]\r\n"
              "\"resolution\"=dword:7\r\n\"sound\" = hex(4):00,00,00,00\r\n"
              "\"customize\"=hex(1):61,0a,62,\\\r\n  00\r\n\"blob\"=hex:01,02\r\n");
    const auto reader = RegistryKey::open(root, kKey, RegistryKey::Access::Read);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->readInteger("resolution"), 7);
    EXPECT_EQ(reader->readInteger("sound"), 0);
    EXPECT_EQ(reader->readString("customize"), "a\nb");
    EXPECT_EQ(errorOf([&] { reader->readInteger("blob"); }), "Invalid data type for 'blob'");

    // A line break cannot stand in a quoted string: it is written in byte form and survives.
    auto writer = RegistryKey::open(root, kKey, RegistryKey::Access::FullAccess);
    writer->writeString("customize", "x\r\ny");
    EXPECT_EQ(RegistryKey::open(root, kKey, RegistryKey::Access::Read)->readString("customize"), "x\r\ny");
    EXPECT_EQ(RegistryKey::open(root, kKey, RegistryKey::Access::Read)->readInteger("resolution"), 7)
        << "other values are kept by a write";
}

TEST_F(RegistryTest, MangledFilesNameFileAndLineAndAreNeverReplaced)
{
    mkdir(folder.file("config").c_str(), 0700);
    mkdir(folder.file("config/lumenhall").c_str(), 0700);
    struct Case { const char* text; int line; };
    const Case cases[] = {
        {"garbage\n", 1},
        {"REGEDIT4\n\n\"sound\"=dword:1\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"sound\"=dword:123456789\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"sound\"=dword:xyz\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"sound=dword:1\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\n", 2},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n", 2},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"s\"=\"open\n", 3},
    };
    for (const Case& c : cases) {
        writeFile(root.fileName(), c.text);
        const std::string expected =
            "Cannot read the settings file " + root.fileName() + ", line " + std::to_string(c.line);
        const std::string loadError = errorOf([&] { RegistryKey::exists(root, kKey); });
        EXPECT_EQ(loadError.substr(0, expected.size()), expected) << "for: " << c.text;
        const std::string writeError = errorOf([&] {
            RegistryKey::open(root, "A", RegistryKey::Access::FullAccess)->writeInteger("x", 1);
        });
        EXPECT_EQ(writeError.substr(0, expected.size()), expected) << "for: " << c.text;
        EXPECT_EQ(readFile(root.fileName()), c.text) << "the file must stay as it was";
    }
}

TEST_F(RegistryTest, FailedWriteStoresNothingAndLeavesNoTemporaryFile)
{
    if (geteuid() == 0) {
        // Root writes through permission bits; a path whose folder is a file fails for everyone.
        writeFile(folder.file("config"), "not a folder");
    } else {
        mkdir(folder.file("config").c_str(), 0500);
    }
    auto key = RegistryKey::open(root, kKey, RegistryKey::Access::FullAccess);
    ASSERT_NE(key, nullptr) << "opening for writing succeeds; the first write fails";
    EXPECT_EQ(errorOf([&] { key->writeInteger("resolution", 1); }), "Failed to set data for 'resolution'");
    EXPECT_FALSE(RegistryKey::exists(root, kKey));
}

TEST_F(RegistryTest, AWriteReplacesTheFileAtomically)
{
    auto key = RegistryKey::open(root, kKey, RegistryKey::Access::FullAccess);
    key->writeInteger("sound", 1);
    // A reader holding the old file keeps reading the old contents: the file is replaced, not
    // rewritten in place.
    std::ifstream old(root.fileName(), std::ios::binary);
    struct stat before{};
    stat(root.fileName().c_str(), &before);
    key->writeInteger("sound", 0);
    struct stat after{};
    stat(root.fileName().c_str(), &after);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file must be renamed into place";
    std::stringstream oldText;
    oldText << old.rdbuf();
    EXPECT_NE(oldText.str().find("dword:00000001"), std::string::npos);

    const std::string folderPath = root.fileName().substr(0, root.fileName().find_last_of('/'));
    EXPECT_EQ(std::system(("test $(ls -A '" + folderPath + "' | wc -l) -eq 1").c_str()), 0)
        << "no temporary file may be left beside the store";
}

}  // namespace
