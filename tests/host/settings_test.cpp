#include "host/settings.h"

#include "fakes.h"

#include "platform/exception.h"

#include "../platform/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(CommaText, Writing)
{
    struct Case { StringList lines; const char* text; };
    const Case cases[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"a b", "c"}, "\"a b\",c"},
        {{"plain", "", "x"}, "plain,,x"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"a,b"}, "\"a,b\""},
        {{"tab\there"}, "\"tab\there\""},
        {{"//comment"}, "//comment"},
    };
    for (const Case& c : cases) EXPECT_EQ(commaText(c.lines), c.text);
}

TEST(CommaText, Reading)
{
    struct Case { std::string text; StringList lines; };
    const Case cases[] = {
        {"", {}},
        {"\"\"", {""}},
        {"\"a b\",c", {"a b", "c"}},
        {"a b,c", {"a", "b", "c"}},                   // an unquoted space separates items too
        {"a,,b", {"a", "", "b"}},
        {"  a ,  b  ", {"a", "b"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"open", {"open"}},                         // an unterminated quote runs to the end
        {"\"a\"b", {"a", "b"}},
        {"a,", {"a", ""}},                            // a trailing comma is an empty last line
        {std::string("x\0y", 3), {"x"}},
    };
    for (const Case& c : cases) EXPECT_EQ(fromCommaText(c.text), c.lines) << "for: " << c.text;

    // Whatever is written reads back as it was.
    const StringList samples[] = {{"a b", "c"}, {"", ""}, {"x", ""}, {"\"", ",", " "}, {"tab\t"}};
    for (const StringList& lines : samples) EXPECT_EQ(fromCommaText(commaText(lines)), lines);
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetFakes();
        form.res.items = {"desktop resolution", "640x480x32  60Hz", "800x600x16  60Hz", "800x600x32  75Hz",
                          "800x600x32  60Hz"};
    }
    void store(const std::string& text)
    {
        std::system(("mkdir -p '" + folder.path() + "/cfg'").c_str());
        std::ofstream(root.fileName()) << text;
    }
    std::string loadError()
    {
        try {
            loadSettings(form, root);
        } catch (const Exception& e) {
            return e.message();
        }
        return "(no error)";
    }
    TempFolder folder;
    RegistryRoot root{"HKEY_LOCAL_MACHINE", folder.file("cfg/HKEY_LOCAL_MACHINE.reg")};
    Application app;
    TForm1 form{app};
};

const char* kHeader = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Harvelle\\Caldrise]\n";

TEST_F(SettingsTest, FirstStartSelects800x600x32AndTheModuleDefaults)
{
    fakeScript.defaultCustomStrings = {"// default"};
    loadSettings(form, root);
    EXPECT_EQ(form.res.itemIndex, 3) << "the first item containing 800x600x32";
    EXPECT_TRUE(form.sound.checked);
    EXPECT_EQ(form.customStrings.lines, (StringList{"// default"}));

    TForm1 bare{app};
    loadSettings(bare, root);
    EXPECT_EQ(bare.res.itemIndex, -1) << "no 800x600x32 mode: nothing selected";
}

TEST_F(SettingsTest, StoredValuesAreLoaded)
{
    store(std::string(kHeader) + "\"resolution\"=dword:00000002\n\"sound\"=dword:00000000\n"
                                 "\"customize\"=\"\\\"a b\\\",c\"\n");
    loadSettings(form, root);
    EXPECT_EQ(form.res.itemIndex, 2);
    EXPECT_FALSE(form.sound.checked);
    EXPECT_EQ(form.customStrings.lines, (StringList{"a b", "c"}));
    EXPECT_TRUE(fakeLog.empty()) << "stored settings need no module defaults";

    store(std::string(kHeader) + "\"resolution\"=dword:00000009\n\"sound\"=dword:00000007\n");
    loadSettings(form, root);
    EXPECT_EQ(form.res.itemIndex, -1) << "an index past the list selects nothing";
    EXPECT_TRUE(form.sound.checked) << "any non-zero value ticks the box";
    EXPECT_TRUE(form.customStrings.lines.empty()) << "a missing customize reads as empty";
}

TEST_F(SettingsTest, BadValuesEndStartUpWithTheirMessage)
{
    struct Case { const char* values; const char* error; };
    const Case cases[] = {
        {"\"sound\"=dword:1\n", "Failed to get data for 'resolution'"},
        {"\"resolution\"=dword:1\n", "Failed to get data for 'sound'"},
        {"\"resolution\"=\"1\"\n\"sound\"=dword:1\n", "Invalid data type for 'resolution'"},
        {"\"resolution\"=dword:1\n\"sound\"=hex:01\n", "Invalid data type for 'sound'"},
        {"\"resolution\"=dword:1\n\"sound\"=dword:1\n\"customize\"=dword:1\n", "Invalid data type for 'customize'"},
    };
    for (const Case& c : cases) {
        store(std::string(kHeader) + c.values);
        EXPECT_EQ(loadError(), c.error) << "for: " << c.values;
    }
}

TEST_F(SettingsTest, OkWritesAllThreeValues)
{
    loadSettings(form, root);
    storeSettings(form, root);
    const auto key = RegistryKey::open(root, "SOFTWARE\\Harvelle\\Caldrise", RegistryKey::Access::Read);
    ASSERT_NE(key, nullptr) << "OK creates the key on a fresh machine";
    EXPECT_EQ(key->readInteger("resolution"), 3);
    EXPECT_EQ(key->readInteger("sound"), 1);
    EXPECT_EQ(key->readString("customize"), "");

    form.res.itemIndex = -1;
    form.sound.checked = false;
    form.sound.visible = false;   // a hidden box still has its value stored
    form.customStrings.lines = {"a b", "c"};
    storeSettings(form, root);
    TForm1 again{app};
    again.res.items = form.res.items;
    loadSettings(again, root);
    EXPECT_EQ(again.res.itemIndex, -1);
    EXPECT_FALSE(again.sound.checked);
    EXPECT_EQ(again.customStrings.lines, (StringList{"a b", "c"}));
}

TEST_F(SettingsTest, FailedWriteReportsResolutionAndStoresNothing)
{
    std::ofstream(folder.file("cfg")) << "a file where the folder should be";
    try {
        storeSettings(form, root);
        FAIL() << "expected the write to fail";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Failed to set data for 'resolution'");
    }
    EXPECT_FALSE(RegistryKey::exists(root, "SOFTWARE\\Harvelle\\Caldrise"));
}

}  // namespace
