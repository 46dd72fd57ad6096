// Texture against real GL (Mesa's llvmpipe under Xvfb): upload, bind, update, release, the
// sphere-map switches and drawPixels, read back from the GL.
#include "assets/texture.h"

#include "assets/bitmap.h"

#include "../glview/gl_fixture.h"

#include "archive_bytes.h"

#include <GL/gl.h>

#include <vector>

namespace {

class TextureGL : public GLFixture {
protected:
    static GLint texParameter(GLenum name)
    {
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        return value;
    }
    static GLint levelWidth(GLint level)
    {
        GLint value = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &value);
        return value;
    }
    static GLuint bound()
    {
        GLint name = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
        return static_cast<GLuint>(name);
    }
    // Level `level` of the bound texture, RGBA bytes.
    static std::vector<uint8_t> levelPixels(GLint level)
    {
        GLint h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        std::vector<uint8_t> out(static_cast<size_t>(levelWidth(level)) * h * 4);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        return out;
    }
};

TEST_F(TextureGL, UploadWithoutMipmapsSetsTheStatedStateAndLeavesTheEnableAlone)
{
    Bitmap picture = solidPicture(2, 2, 0, 0, 255);
    picture.row(0)[0] = 0;
    picture.row(0)[2] = 255;   // top-left red
    Texture t(&picture, false, 1);
    glDisable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    t.upload();
    EXPECT_TRUE(t.uploaded);
    EXPECT_TRUE(glIsTexture(t.textureName));
    EXPECT_EQ(bound(), t.textureName) << "the new texture is left bound";
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "upload does not enable texturing";
    EXPECT_EQ(texParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(texParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(texParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(texParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);
    EXPECT_EQ(levelPixels(0), t.pixels) << "level 0 holds the buffer, bottom row first";
    EXPECT_EQ(levelWidth(1), 0) << "no mipmap levels";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureGL, MipmappedUploadBuildsEveryLevelAndRescalesOddSides)
{
    const Bitmap square = solidPicture(4, 4, 10, 200, 30);
    Texture t(&square, true, 0);
    t.bind();
    EXPECT_EQ(texParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(levelWidth(1), 2);
    EXPECT_EQ(levelWidth(2), 1);
    const std::vector<uint8_t> top = levelPixels(2);
    ASSERT_EQ(top.size(), 4u);
    EXPECT_EQ(top[1], 200) << "the smallest level averages a picture of one colour to that colour";

    const Bitmap odd = solidPicture(3, 5, 1, 2, 3);
    Texture o(&odd, true, 0);
    o.bind();
    const GLint w = levelWidth(0);
    EXPECT_TRUE(w > 0 && (w & (w - 1)) == 0) << "GLU rescales level 0 to a power of two, got " << w;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureGL, BindingTwiceCreatesTheObjectOnce)
{
    const Bitmap picture = solidPicture(2, 2, 1, 2, 3);
    Texture t(&picture, false, 0);
    glDisable(GL_TEXTURE_2D);
    t.bind();
    const GLuint first = t.textureName;
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glBindTexture(GL_TEXTURE_2D, 0);
    t.bind();
    EXPECT_EQ(t.textureName, first);
    EXPECT_EQ(bound(), first);
    // Mesa hands out names in order: had the second bind made an object, this one would skip it.
    GLuint probe = 0;
    glGenTextures(1, &probe);
    EXPECT_EQ(probe, first + 1);
    glDeleteTextures(1, &probe);
}

TEST_F(TextureGL, UpdateReplacesTheContents)
{
    const Bitmap picture = solidPicture(2, 2, 10, 20, 30);
    for (const bool mipmapped : {false, true}) {
        Texture t(&picture, mipmapped, 0);
        t.bind();
        const GLuint name = t.textureName;
        for (size_t i = 0; i < t.pixels.size(); i += 4) t.pixels[i] = 99;
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        t.update();
        EXPECT_TRUE(t.uploaded);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "mipmapped " << mipmapped;
        EXPECT_EQ(bound(), t.textureName) << "mipmapped " << mipmapped;
        EXPECT_EQ(levelPixels(0), t.pixels) << "mipmapped " << mipmapped;
        if (mipmapped) {
            EXPECT_EQ(levelPixels(1)[0], 99) << "the levels are rebuilt";
        } else {
            EXPECT_EQ(t.textureName, name) << "replaced in place";
        }
    }

    Texture fresh(&picture, false, 0);
    glDisable(GL_TEXTURE_2D);
    fresh.update();
    EXPECT_TRUE(fresh.uploaded) << "update of a texture never uploaded uploads it";
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(bound(), fresh.textureName);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureGL, ReleaseAndDestructionDeleteOnlyWhatWasUploaded)
{
    const Bitmap picture = solidPicture(2, 2, 1, 2, 3);
    Texture kept(&picture, false, 0);
    kept.bind();
    {
        // Never bound: its destructor must not delete anything, even a name that is in use.
        Texture idle(&picture, false, 0);
        idle.textureName = kept.textureName;
    }
    EXPECT_TRUE(glIsTexture(kept.textureName));

    GLuint name = 0;
    {
        Texture gone(&picture, false, 0);
        gone.bind();
        name = gone.textureName;
        ASSERT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name)) << "the destructor deletes an uploaded texture";

    kept.release();
    EXPECT_FALSE(kept.uploaded);
    EXPECT_FALSE(glIsTexture(kept.textureName));
    kept.bind();
    EXPECT_TRUE(kept.uploaded) << "bind after release uploads again";
    EXPECT_TRUE(glIsTexture(kept.textureName));
}

TEST_F(TextureGL, SphereMapSwitchesTouchOnlyCoordinateGeneration)
{
    const Bitmap picture = solidPicture(2, 2, 1, 2, 3);
    Texture t(&picture, false, 0);
    t.bind();
    t.enableSphereMap();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
    GLint mode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_SPHERE_MAP);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_SPHERE_MAP);
    t.disableSphereMap();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_EQ(bound(), t.textureName);
}

TEST_F(TextureGL, DrawPixelsPutsThePicturesTopRowOnTop)
{
    Bitmap picture = solidPicture(2, 2, 0, 0, 255);
    picture.row(0)[0] = 0;
    picture.row(0)[2] = 255;   // top-left red, the rest blue
    Texture t(&picture, false, 0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glRasterPos2f(-1, -1);   // the window's bottom-left corner
    t.drawPixels();
    const Pixel topLeft = readPixel(0, 1), bottomLeft = readPixel(0, 0), beyond = readPixel(2, 2);
    EXPECT_EQ(topLeft.r, 255);
    EXPECT_EQ(topLeft.b, 0);
    EXPECT_EQ(bottomLeft.r, 0);
    EXPECT_EQ(bottomLeft.b, 255);
    EXPECT_EQ(beyond.r + beyond.g + beyond.b, 0) << "2 × 2 pixels only";
}

}  // namespace
