#include "host/form.h"
#include "host/saverstart.h"

#include <gtest/gtest.h>

namespace {

TEST(Switch, FirstArgumentSelectsTheModeBySubstringInOrder)
{
    struct Case { const char* argument; ShellMode mode; };
    const Case cases[] = {
        {"/s", ShellMode::Saver},
        {"/S", ShellMode::Saver},
        {"-x/s", ShellMode::Saver},
        {"/p", ShellMode::Preview},
        {"/P", ShellMode::Preview},
        {"/c", ShellMode::Settings},
        {"/c:1234", ShellMode::Settings},
        {"/C:66166", ShellMode::Settings},
        {"/p/s", ShellMode::Saver},      // "/s" is tested first
        {"/c/p", ShellMode::Preview},    // then "/p"
        {"", ShellMode::None},
        {"s", ShellMode::None},
        {"/x", ShellMode::None},
        {"--help", ShellMode::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(modeFromArgument(c.argument), c.mode) << "for \"" << c.argument << "\"";
}

TEST(Requirements, HostMinimumsAreApplied)
{
    SaverRequirements low;
    low.minTextureUnits = 1;
    low.minTextureSize = 256;
    low.extensions = {"GL_EXT_texture_object"};
    applyHostMinimums(low);
    EXPECT_EQ(low.minTextureUnits, 2);
    EXPECT_EQ(low.minTextureSize, 512);
    EXPECT_EQ(low.extensions, (StringList{"GL_EXT_texture_object", "GL_ARB_multitexture"}));

    SaverRequirements high;
    high.minTextureUnits = 4;
    high.minTextureSize = 1024;
    high.extensions = {"gl_arb_multitexture", "GL_NV_register_combiners"};
    applyHostMinimums(high);
    EXPECT_EQ(high.minTextureUnits, 4);
    EXPECT_EQ(high.minTextureSize, 1024);
    EXPECT_EQ(high.extensions.size(), 2u) << "a name in other letter case is not added twice";
}

}  // namespace
