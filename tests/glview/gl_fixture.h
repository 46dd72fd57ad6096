// A small GL-capable window with its context current, for tests that draw and read pixels back.
// Needs a display (the tests using it carry the CTest label "display").
#pragma once

#include "platform/application.h"
#include "platform/glcontext.h"
#include "platform/window.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

class GLFixture : public ::testing::Test {
protected:
    static constexpr int kSize = 64;

    void SetUp() override
    {
        GLPixelRequest pixels;
        pixels.alphaBits = 8;
        window = std::make_unique<SaverWindow>(app, "gl test", pixels, kSize, kSize);
        window->show();
        std::string error;
        context = GLContext::create(*window, error);
        ASSERT_NE(context, nullptr) << error;
        ASSERT_TRUE(context->makeCurrent());
        glViewport(0, 0, kSize, kSize);
        app.processMessages();
    }

    void TearDown() override
    {
        context.reset();
        window.reset();
    }

    // The RGBA bytes of one pixel of the back buffer; (0, 0) is the bottom-left corner.
    struct Pixel { int r, g, b, a; };
    static Pixel readPixel(int x, int y)
    {
        unsigned char p[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2], p[3]};
    }

    Application app;
    std::unique_ptr<SaverWindow> window;
    std::unique_ptr<GLContext> context;
};
