#include "gl_fixture.h"

#include "kit/light.h"

#include "platform/exception.h"

#include <memory>
#include <vector>

namespace {

// One test, because light numbers are handed out once per process and never given back.
TEST_F(GLFixture, LightsAreNumberedInCreationOrderAndSendTheirOwnPosition)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Vector3D sun(0, 1.5f, 10);
    std::vector<std::unique_ptr<Light>> lights;
    lights.push_back(std::make_unique<Light>(sun));
    sun = Vector3D(9, 9, 9);   // the light copied the position; moving the source does nothing
    for (int i = 1; i < 8; ++i) lights.push_back(std::make_unique<Light>(Vector3D(0, 0, 0)));
    EXPECT_EQ(lights[0]->light, static_cast<uint32_t>(GL_LIGHT0));
    EXPECT_EQ(lights[1]->light, static_cast<uint32_t>(GL_LIGHT1));
    EXPECT_EQ(lights[7]->light, static_cast<uint32_t>(GL_LIGHT7));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT7));

    lights[0]->apply();
    GLfloat p[4] = {};
    glGetLightfv(GL_LIGHT0, GL_POSITION, p);
    EXPECT_FLOAT_EQ(p[0], 0);
    EXPECT_FLOAT_EQ(p[1], 1.5f);
    EXPECT_FLOAT_EQ(p[2], 10);
    EXPECT_FLOAT_EQ(p[3], 1) << "a positional light";

    try {
        Light ninth(Vector3D(1, 1, 1));
        FAIL() << "a ninth light must raise";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "To many lights");
    }
    EXPECT_THROW(Light{Vector3D()}, Exception) << "the count does not move past eight";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
