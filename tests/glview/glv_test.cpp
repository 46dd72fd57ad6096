#include "gl_fixture.h"

namespace {

TEST_F(GLFixture, ContextClearsAndReadsBack)
{
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const Pixel p = readPixel(10, 10);
    EXPECT_EQ(p.r, 255);
    EXPECT_EQ(p.g, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
