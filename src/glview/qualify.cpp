#include "glview/qualify.h"

#include "glview/glv.h"
#include "glview/statuslog.h"

#include "kit/vector3d.h"

#include "platform/application.h"
#include "platform/display.h"
#include "platform/exception.h"
#include "platform/system.h"
#include "platform/window.h"

#include <GL/glu.h>

#include <cctype>
#include <cstdio>
#include <fstream>

namespace {

std::vector<std::string> lastLines;

void processMessages()
{
    if (Application* app = Application::current()) app->processMessages();
}

std::string lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool enumerateAsDisplayMode(int index, DisplayMode& mode)
{
    ScreenMode m;
    if (!enumerateDisplayMode(index, m)) return false;
    mode = {m.width, m.height, m.bitsPerPixel, m.frequency};
    return true;
}

// Label at x = 16 on the current line, its value at x = 400 advancing to the next.
void logValue(StatusLog& log, const std::string& label, const std::string& value, bool fails)
{
    log.write(16, label, kLogWhite, false);
    log.write(400, value, fails ? kLogFail : kLogPass, true);
}

void logMessage(StatusLog& log, const std::string& text)
{
    log.write(16, text, kLogWhite, true);
}

uint64_t divide(uint64_t a, uint64_t b)
{
    // An integer division by zero must never reach the processor: it is reported like any check.
    if (b == 0) throw Exception("Division by zero");
    return a / b;
}

void drawTriangleBatch()
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glLoadIdentity();
    gluLookAt(2, 2, 6, 0, 0, 0, 0, 1, 0);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 10000; ++i) {
        const float f = static_cast<float>(i) * 0.0001f;
        glColor3f(1, 0, 0);
        glNormal3f(1, 0, 0);
        glVertex3f(-2 * f, 0, f);
        glColor3f(0, 1, 0);
        glNormal3f(0, 1, 0);
        glVertex3f(1 - 2 * f, 0, 0);
        glColor3f(0, 0, 1);
        glNormal3f(0, 0, 1);
        glVertex3f(1 - 2 * f, 1 + f, 1 - f);
    }
    glEnd();
    glPopAttrib();
    glFinish();
}

void dumpLog(const StatusLog& log)
{
    lastLines = log.textLines();
    // A debug dump of the log for tests and for people chasing a refused start.
    const std::string path = environmentValue("LUMENHALL_STATUS_LOG");
    if (path.empty()) return;
    std::ofstream out(path, std::ios::trunc);
    for (const std::string& line : lastLines) out << line << '\n';
}

}  // namespace

MachineProbe realMachine()
{
    return {readCycleCounter, sleepMs, totalPhysicalMemory32};
}

const std::vector<std::string>& lastStatusLogLines()
{
    return lastLines;
}

bool findDisplayMode(DisplayMode& request, DisplayMode& match,
                     const std::function<bool(int index, DisplayMode& mode)>& enumerate)
{
    DisplayMode m;
    for (int i = 0; enumerate(i, m); ++i) {
        if (m.width == request.width && m.height == request.height && m.bitsPerPixel == request.bitsPerPixel &&
            m.frequency == request.frequency) {
            match = m;
            return true;
        }
    }
    for (int i = 0; enumerate(i, m); ++i) {
        if (m.width == request.width && m.height == request.height && m.bitsPerPixel == request.bitsPerPixel) {
            request.frequency = 60;
            match = m;
            return true;
        }
    }
    for (int i = 0; enumerate(i, m); ++i) {
        if (m.width == request.width && m.height == request.height) {
            request.bitsPerPixel = m.bitsPerPixel;
            request.frequency = 60;
            match = m;
            return true;
        }
    }
    return false;
}

bool qualifyMachine(GLV** view, SaverWindow& control, const SaverRequirements& requirements,
                    DisplayMode& mode, int32_t& triangleRate, const MachineProbe& machine)
{
    int width = 0, height = 0;
    control.clientSize(width, height);
    StatusLog log(width, height);

    if (mode.width >= 1) {
        DisplayMode match;
        if (!findDisplayMode(mode, match, enumerateAsDisplayMode)) throw Exception("Selected resolution not found!");
        if (!changeDisplayMode(control, {match.width, match.height, match.bitsPerPixel, match.frequency}))
            throw Exception("Change resolution failed!");
        control.setClientSize(mode.width, mode.height);
        processMessages();
        logMessage(log, "Resolution set to " + std::to_string(mode.width) + "x" + std::to_string(mode.height) +
                            "x" + std::to_string(mode.bitsPerPixel) + "x" + std::to_string(mode.frequency));
    } else {
        logMessage(log, "Using desktop resolution");
    }
    logMessage(log, "Initializing OpenGL...");

    bool failed = false;
    try {
        *view = new GLV(&control, 1);
        GLV& glv = **view;
        logMessage(log, "Detecting Hardware...");
        processMessages();

        uint64_t first = machine.readCounter();
        const uint64_t overhead = machine.readCounter() - first;
        first = machine.readCounter();
        machine.sleep(1000);
        const uint64_t cycles = machine.readCounter() - first - overhead;
        const uint64_t mhz = cycles / 10000000 * 10;
        const bool cpuFails = mhz > 50 && mhz < static_cast<uint64_t>(std::max(requirements.minCpuMHz, 0));
        logValue(log, "CPU", mhz > 50 ? std::to_string(mhz) + " MHz" : "???", cpuFails);
        if (cpuFails) throw Exception("Required hardware not found");

        processMessages();
        const uint32_t figure = machine.totalMemory() / 1008000u - 4u;
        const bool ramFails = static_cast<int64_t>(figure) < requirements.minRamMb;
        logValue(log, "RAM", std::to_string(figure) + " Mb", ramFails);
        if (ramFails) throw Exception("Not enough RAM");

        processMessages();
        logMessage(log, "OpenGL " + glv.version + " (" + glv.renderer + " " + glv.vendor + ")");

        logMessage(log, "Checking required extensions...");
        for (const std::string& name : requirements.extensions) {
            log.write(48, name, kLogWhite, false);
            bool present = false;
            for (const std::string& e : glv.extensions) present = present || lower(e) == lower(name);
            if (!present) {
                log.write(400, "failed", kLogFail, true);
                throw Exception("Graphics Card not supported");
            }
            log.write(400, "ok", kLogPass, true);
            processMessages();
        }

        logMessage(log, "Checking required specs...");
        GLint maxSize = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
        const bool sizeFails = maxSize < requirements.minTextureSize;
        logValue(log, "Max Texture Size", std::to_string(maxSize) + "x" + std::to_string(maxSize), sizeFails);
        if (sizeFails) throw Exception("Graphics Card not supported");

        GLint units = 0;
        glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
        const bool unitsFail = units < requirements.minTextureUnits;
        logValue(log, "Texture Units", std::to_string(units), unitsFail);
        if (unitsFail) throw Exception("Graphics Card not supported");

        logMessage(log, "Testing graphics performance...");
        const uint64_t start = machine.readCounter();
        drawTriangleBatch();
        const uint64_t batch = machine.readCounter() - start - overhead;
        const uint64_t microseconds = divide(batch, mhz);
        // Saturated: a batch done in under 5 microseconds must not wrap into a failing rate.
        const uint64_t rate = divide(10000000000ull, microseconds);
        triangleRate = rate > 0x7FFFFFFFull ? 0x7FFFFFFF : static_cast<int32_t>(rate);
        const bool rateFails = triangleRate < requirements.minTriangleRate;
        logValue(log, "K Triangles/sec", std::to_string(triangleRate), rateFails);
        if (rateFails) throw Exception("Graphics performance test failed");
    } catch (const std::exception& e) {
        log.skipLine();
        log.write(16, std::string("Exception: ") + e.what(), kLogFail, true);
        failed = true;
    }

    dumpLog(log);
    if (failed) control.showPicture(log.width(), log.height(), log.rgb());
    return !failed;
}
