#include "gl_fixture.h"

#include "glview/glv.h"

#include "platform/exception.h"
#include "platform/system.h"

#include <GL/glu.h>

#include <cmath>

namespace {

TEST(Extensions, SplitKeepsTheLastNameWithOrWithoutTrailingSpace)
{
    struct Case { const char* text; std::vector<std::string> names; };
    const Case cases[] = {
        {"GL_A GL_B GL_C", {"GL_A", "GL_B", "GL_C"}},
        {"GL_A GL_B GL_C ", {"GL_A", "GL_B", "GL_C"}},
        {"GL_A", {"GL_A"}},
        {"", {}},
        {nullptr, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(splitExtensions(c.text), c.names) << (c.text ? c.text : "(null)");
}

TEST(GLVFailures, NoPixelFormatWithoutAGLWindow)
{
    try {
        GLV view(nullptr, 1);
        FAIL() << "expected an error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "SetPixelFormat failed");
    }
}

class GLVTest : public GLFixture {};

TEST_F(GLVTest, ConstructionRecordsTheDriverAndSetsTheScene)
{
    GLV view(window.get(), 1);
    EXPECT_FALSE(view.renderer.empty());
    EXPECT_FALSE(view.version.empty());
    EXPECT_FALSE(view.vendor.empty());
    EXPECT_EQ(view.fieldOfView, 50);
    EXPECT_EQ(view.farPlane, 100);

    const auto driver = splitExtensions(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    ASSERT_FALSE(driver.empty());
    ASSERT_GE(view.extensions.size(), driver.size());
    EXPECT_TRUE(std::equal(driver.begin(), driver.end(), view.extensions.begin())) << "the driver's order is kept";
    EXPECT_TRUE(view.hasExtension("gl_nv_register_combiners")) << "emulated where the driver lacks it";
    EXPECT_NE(activeTextureARB, nullptr);
    EXPECT_NE(multiTexCoord2fARB, nullptr);
    EXPECT_NE(combinerInputNV, nullptr);

    GLfloat clear[4] = {1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0] + clear[1] + clear[2] + clear[3], 0) << "black with alpha 0";
    const Pixel p = readPixel(kSize / 2, kSize / 2);
    EXPECT_EQ(p.r + p.g + p.b + p.a, 0) << "both buffers cleared";

    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
    GLdouble modelView[16], expected[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(0, 1, 5, 0, 0, 0, 0, 1, 0);
    glGetDoublev(GL_MODELVIEW_MATRIX, expected);
    glPopMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(modelView[i], expected[i], 1e-6) << "camera at (0, 1, 5)";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLVTest, ResizeFollowsTheWindowAndLeavesTheCamera)
{
    GLV view(window.get(), 1);
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    const double square = projection[5] / projection[0];   // the aspect ratio the projection uses
    EXPECT_NEAR(square, 1.0, 1e-6);
    EXPECT_NEAR(projection[5], 1.0 / std::tan(25.0 * M_PI / 180.0), 1e-5) << "50 degrees vertically";
    // Near 0.1 and far 100 fix the third row.
    EXPECT_NEAR(projection[10], -(100 + 0.1) / (100 - 0.1), 1e-6);

    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    GLdouble before[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);

    window->setClientSize(128, 64);
    for (int i = 0; i < 50; ++i) {
        app.processMessages();
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        if (viewport[2] == 128) break;
        sleepMs(10);
    }
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 128);
    EXPECT_EQ(viewport[3], 64);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[5] / projection[0], 2.0, 1e-5) << "aspect 128/64";
    GLdouble after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]) << "the camera is untouched";
}

}  // namespace
