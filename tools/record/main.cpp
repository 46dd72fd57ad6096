// caldrise-record: renders the show off-screen into PNG files, on a simulated clock.
//
// It runs the saver's own window, view, intro and scene code on SDL's off-screen video driver. The
// tick count is a simulated clock that moves exactly 1000/fps ms per presented frame (the
// fractions carried, so 30 fps steps 33, 33, 34 ms), and the random generator is seeded with a
// fixed value, so the same arguments give the same bytes. Frames are read back from the buffer the
// frame was drawn into: the off-screen driver's swap presents nothing, the picture stays there.
#include "png.h"

#include "assets/datfile.h"
#include "assets/dsound.h"
#include "glview/glv.h"
#include "host/contract.h"
#include "intro/intro.h"

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/glcontext.h"
#include "platform/offscreen.h"
#include "platform/sound.h"
#include "platform/system.h"
#include "platform/wallclock.h"
#include "platform/window.h"

#if __has_include("scene/state.h")
#include "scene/state.h"
#define RECORD_HAS_SCENE_CLOCK 1
#endif

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kSeed = 20260101;             // random generator and calendar seconds
constexpr int32_t kTrianglesPerSecond = 2000000;  // what the qualification would have measured
constexpr double kSceneUnitsPerSecond = 0.3;      // scene clock units per second of show time

enum class Mode { none, introStill, still, frames, bench };

struct Options {
    int width = 1024;
    int height = 768;
    int fps = 30;
    Mode mode = Mode::none;
    double at = 0;               // the still's clock (intro or scene units)
    std::string out;             // the still's file
    std::string framesDir;
    double from = 0, to = 0;     // clock units
    bool introFrames = false;    // --frames on the intro's clock instead of the scene's
    std::string sound;           // WAV file
    std::string data;            // data folder; default <exe dir>/Caldrise
};

void usage(std::ostream& out)
{
    out << "Usage: caldrise-record [--size WxH] [--fps N] [--data DIR] [--sound FILE.wav] WHAT\n"
           "WHAT is one of:\n"
           "  --intro-still T [--out FILE]   the intro frame at intro clock T (1 unit = 1.2 s)\n"
           "  --still T [--out FILE]         the scene frame at scene clock T (0.3 units a second),\n"
           "                                 the intro skipped\n"
           "  --frames DIR --from T0 --to T1 [--intro]\n"
           "                                 every frame from T0 to T1 as DIR/frame-NNNNNN.png, on the\n"
           "                                 scene's clock, or with --intro the intro's\n"
           "  --bench                        the whole show unthrottled; prints its figures\n"
           "Defaults: --size 1024x768 --fps 30, --out still.png.\n";
}

bool parseDouble(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(value);
}

bool parse(int argc, char** argv, Options& o)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    auto need = [&](size_t& i) -> const std::string* {
        if (i + 1 >= args.size()) return nullptr;
        return &args[++i];
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const std::string* v = nullptr;
        if (a == "--size") {
            if (!(v = need(i)) || std::sscanf(v->c_str(), "%dx%d", &o.width, &o.height) != 2 || o.width <= 0 ||
                o.height <= 0 || o.width > 8192 || o.height > 8192)
                return false;
        } else if (a == "--fps") {
            if (!(v = need(i))) return false;
            o.fps = std::atoi(v->c_str());
            if (o.fps <= 0 || o.fps > 1000) return false;
        } else if (a == "--intro-still" || a == "--still") {
            if (!(v = need(i)) || !parseDouble(*v, o.at) || o.mode != Mode::none) return false;
            o.mode = a == "--still" ? Mode::still : Mode::introStill;
        } else if (a == "--out") {
            if (!(v = need(i))) return false;
            o.out = *v;
        } else if (a == "--frames") {
            if (!(v = need(i)) || o.mode != Mode::none) return false;
            o.framesDir = *v;
            o.mode = Mode::frames;
        } else if (a == "--from") {
            if (!(v = need(i)) || !parseDouble(*v, o.from)) return false;
        } else if (a == "--to") {
            if (!(v = need(i)) || !parseDouble(*v, o.to)) return false;
        } else if (a == "--intro") {
            o.introFrames = true;
        } else if (a == "--sound") {
            if (!(v = need(i))) return false;
            o.sound = *v;
        } else if (a == "--data") {
            if (!(v = need(i))) return false;
            o.data = *v;
        } else if (a == "--bench") {
            if (o.mode != Mode::none) return false;
            o.mode = Mode::bench;
        } else {
            return false;
        }
    }
    if (o.mode == Mode::none) return false;
    if (o.mode == Mode::frames && o.to < o.from) return false;
    if (o.out.empty()) o.out = "still.png";
    return true;
}

std::string absolute(const std::string& path)
{
    if (path.empty() || path[0] == '/') return path;
    return currentDirectory() + "/" + path;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Moves the simulated clock by 1000/fps ms a frame, the remainders carried.
class FramePacer {
public:
    FramePacer(SimulatedClock& clock, int fps) : clock_(clock), fps_(fps) {}
    void next()
    {
        const uint64_t before = frames_ * 1000 / fps_;
        ++frames_;
        clock_.advance(static_cast<uint32_t>(frames_ * 1000 / fps_ - before));
    }
    uint64_t frames() const { return frames_; }
private:
    SimulatedClock& clock_;
    uint64_t fps_;
    uint64_t frames_ = 0;
};

// The picture of the frame just drawn, top row first, red-green-blue.
std::vector<uint8_t> readFrame(int width, int height)
{
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = bgra.data() + static_cast<size_t>(height - 1 - y) * width * 4;
        uint8_t* dst = rgb.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = src[4 * x + 2];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x];
        }
    }
    return rgb;
}

void savePicture(const std::string& path, int width, int height)
{
    if (!writePng(path, width, height, readFrame(width, height))) throw Exception("Cannot write " + path);
}

std::string frameName(const std::string& dir, uint64_t index)
{
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(index));
    return dir + name;
}

// Frame times and fragment counts of one phase of the show.
struct Phase {
    const char* name;
    double from, to;   // scene clock units; the intro has its own row
    std::vector<double> ms;
    std::vector<double> fragments;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t i = static_cast<size_t>(std::ceil(p * static_cast<double>(v.size()))) - (p > 0 ? 1 : 0);
    return v[std::min(i, v.size() - 1)];
}

// GL_SAMPLES_PASSED around each frame (GL 1.5), when the driver has it.
class FragmentCounter {
public:
    // Needs the view's context current.
    void init()
    {
        gen_ = reinterpret_cast<PFNGLGENQUERIESPROC>(GLContext::procAddress("glGenQueries"));
        begin_ = reinterpret_cast<PFNGLBEGINQUERYPROC>(GLContext::procAddress("glBeginQuery"));
        end_ = reinterpret_cast<PFNGLENDQUERYPROC>(GLContext::procAddress("glEndQuery"));
        result_ = reinterpret_cast<PFNGLGETQUERYOBJECTUIVPROC>(GLContext::procAddress("glGetQueryObjectuiv"));
        if (gen_ && begin_ && end_ && result_) gen_(1, &query_);
    }
    bool available() const { return query_ != 0; }
    void begin() { if (query_) begin_(GL_SAMPLES_PASSED, query_); }
    double end()
    {
        if (!query_) return 0;
        end_(GL_SAMPLES_PASSED);
        GLuint n = 0;
        result_(query_, GL_QUERY_RESULT, &n);
        return n;
    }
private:
    PFNGLGENQUERIESPROC gen_ = nullptr;
    PFNGLBEGINQUERYPROC begin_ = nullptr;
    PFNGLENDQUERYPROC end_ = nullptr;
    PFNGLGETQUERYOBJECTUIVPROC result_ = nullptr;
    GLuint query_ = 0;
};

double msSince(uint64_t startNs)
{
    return static_cast<double>(monotonicNanoseconds() - startNs) / 1e6;
}

void writeLE(std::ofstream& f, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) f.put(static_cast<char>((v >> (8 * i)) & 0xff));
}

// The disk driver's raw stream (interleaved stereo, float or 16-bit) as a WAV file.
void rawToWav(const std::string& raw, const std::string& wav, int rate, bool floatSamples)
{
    std::ifstream in(raw, std::ios::binary);
    std::vector<char> data;
    if (in) data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const int bits = floatSamples ? 32 : 16;
    const int channels = 2;
    const uint32_t frameBytes = channels * bits / 8;
    data.resize(data.size() / frameBytes * frameBytes);
    std::ofstream f(wav, std::ios::binary);
    if (!f) throw Exception("Cannot write " + wav);
    f.write("RIFF", 4);
    writeLE(f, static_cast<uint32_t>(36 + data.size()), 4);
    f.write("WAVEfmt ", 8);
    writeLE(f, 16, 4);
    writeLE(f, floatSamples ? 3 : 1, 2);
    writeLE(f, channels, 2);
    writeLE(f, static_cast<uint32_t>(rate), 4);
    writeLE(f, static_cast<uint32_t>(rate) * frameBytes, 4);
    writeLE(f, frameBytes, 2);
    writeLE(f, bits, 2);
    f.write("data", 4);
    writeLE(f, static_cast<uint32_t>(data.size()), 4);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!f) throw Exception("Cannot write " + wav);
}

class Recorder {
public:
    Recorder(const Options& o, uint64_t startNs) : o_(o), startNs_(startNs), pacer_(clock_, o.fps) {}

    int run()
    {
        clock_.install();
        setWallClockSource([] { return kSeed; });
        if (!app_.openDisplay()) throw Exception("No off-screen display");
        GLPixelRequest pixels;
        pixels.alphaBits = 8;
        window_ = std::make_unique<SaverWindow>(app_, "caldrise-record", pixels, o_.width, o_.height);
        window_->show();
        view_ = std::make_unique<GLV>(window_.get(), 1);
        view_renderer_ = view_->renderer;
        if (bench()) counter_.init();

        const bool wantIntro = o_.mode == Mode::introStill || o_.mode == Mode::bench ||
                               (o_.mode == Mode::frames && o_.introFrames);
        if (wantIntro && !runIntro()) return finish(0);
        if (o_.mode == Mode::introStill) {
            std::cerr << "caldrise-record: the intro ended before intro clock " << o_.at << "\n";
            return finish(1);
        }
        if (o_.mode == Mode::frames && o_.introFrames) return finish(0);
        return finish(runScene());
    }

private:
    // False when the run is complete within the intro.
    bool runIntro()
    {
        introStart(view_.get());
        for (;;) {
            if (bench()) counter_.begin();
            const uint64_t t0 = monotonicNanoseconds();
            const int more = introFrame();
            if (bench()) {
                glFinish();
                const double ms = msSince(t0);
                const double fragments = counter_.end();
                if (!more) break;   // the ending call presents nothing: not a frame
                if (pacer_.frames() == 0) startupMs_ = msSince(startNs_);
                intro_.ms.push_back(ms);
                intro_.fragments.push_back(fragments);
            }
            if (!more) break;
            if (o_.mode == Mode::introStill && introClock >= o_.at) {
                savePicture(absolute(o_.out), o_.width, o_.height);
                return false;
            }
            if (o_.mode == Mode::frames && introClock >= o_.from) {
                if (introClock > o_.to) return false;
                savePicture(frameName(o_.framesDir, frameIndex_++), o_.width, o_.height);
            }
            pacer_.next();
        }
        return o_.mode != Mode::frames;
    }

    double sceneClockNow(uint64_t framesDrawn) const
    {
#ifdef RECORD_HAS_SCENE_CLOCK
        (void)framesDrawn;
        return sceneClock;
#else
        return static_cast<double>(framesDrawn) / o_.fps * kSceneUnitsPerSecond;
#endif
    }

    int runScene()
    {
        // Filled as the host's saver-mode start fills it.
        std::srand(kSeed);
        saver_ = std::make_unique<Saver>();
        saver_->glv = view_.get();
        saver_->quadric = gluNewQuadric();
        saver_->trianglesPerSecond = kTrianglesPerSecond;
        if (!o_.sound.empty()) saver_->sound = new DSound;
        const std::string archive = saverName() + ".dat";
        if (fileExists(archive)) saver_->datFile = new DatFile(archive);
        else if (saverNeedsDataFile()) throw Exception("Can't find " + archive);

        const uint64_t loadStart = monotonicNanoseconds();
        saver_->load();
        if (bench()) {
            glFinish();
            loadMs_ = msSince(loadStart);
        }

        const double until = o_.mode == Mode::still ? o_.at : o_.mode == Mode::frames ? o_.to : kBenchUntil;
        const uint64_t wallStart = monotonicNanoseconds();
        for (uint64_t drawn = 1;; ++drawn) {
            if (bench()) counter_.begin();
            const uint64_t t0 = monotonicNanoseconds();
            saver_->frame();
            const double t = sceneClockNow(drawn);
            if (bench()) {
                glFinish();
                const double ms = msSince(t0);
                const double fragments = counter_.end();
                for (Phase& p : phases_)
                    if (t >= p.from && t < p.to) {
                        p.ms.push_back(ms);
                        p.fragments.push_back(fragments);
                    }
            }
            if (o_.mode == Mode::still && t >= o_.at) {
                savePicture(absolute(o_.out), o_.width, o_.height);
                return 0;
            }
            if (o_.mode == Mode::frames && t >= o_.from && t <= o_.to)
                savePicture(frameName(o_.framesDir, frameIndex_++), o_.width, o_.height);
            if (t >= until) return 0;
            pacer_.next();
            // The disk driver writes sound in real time: keep the frames in step with it.
            if (!o_.sound.empty()) {
                const uint64_t due = wallStart + drawn * 1000000000ull / static_cast<uint64_t>(o_.fps);
                const uint64_t now = monotonicNanoseconds();
                if (now < due) sleepMs(static_cast<uint32_t>((due - now) / 1000000));
            }
        }
    }

    int finish(int rc)
    {
        int rate = 0;
        bool floatSamples = false;
        if (saver_ && saver_->sound && saver_->sound->device) {
            rate = saver_->sound->device->rate();
            floatSamples = saver_->sound->device->floatOutput();
        }
        DSound* sound = saver_ ? saver_->sound : nullptr;
        saver_.reset();   // its textures need the context
        delete sound;     // closes the device: the raw file is complete
        view_.reset();
        window_.reset();
        if (!o_.sound.empty()) {
            const std::string raw = absolute(o_.sound) + ".raw";
            if (rate == 0) std::cerr << "caldrise-record: the run played no sound\n";
            rawToWav(raw, absolute(o_.sound), rate ? rate : SoundDevice::kDefaultRate, floatSamples);
            std::remove(raw.c_str());
        }
        if (bench() && rc == 0) report();
        return rc;
    }

    void report()
    {
        std::printf("start-up to first intro frame: %.1f ms\n", startupMs_);
        std::printf("Saver::load: %.1f ms\n", loadMs_);
        auto row = [this](const Phase& p) {
            std::printf("%s frame time median: %.3f ms (%zu frames)\n", p.name, percentile(p.ms, 0.5), p.ms.size());
            std::printf("%s frame time 95th percentile: %.3f ms\n", p.name, percentile(p.ms, 0.95));
            if (counter_.available())
                std::printf("%s fragments per frame (median): %.0f\n", p.name, percentile(p.fragments, 0.5));
        };
        row(intro_);
        for (const Phase& p : phases_) row(p);
        std::printf("peak memory: %.1f MiB\n", static_cast<double>(peakMemoryBytes()) / (1024.0 * 1024.0));
        std::printf("size %dx%d, %d fps, %s\n", o_.width, o_.height, o_.fps, view_renderer_.c_str());
    }

    bool bench() const { return o_.mode == Mode::bench; }

    static constexpr double kBenchUntil = 33;   // scene clock units: 10 s of the closing still

    const Options& o_;
    uint64_t startNs_;
    SimulatedClock clock_{1};
    FramePacer pacer_;
    Application app_;
    std::unique_ptr<SaverWindow> window_;
    std::unique_ptr<GLV> view_;
    std::unique_ptr<Saver> saver_;
    FragmentCounter counter_;
    uint64_t frameIndex_ = 0;
    double startupMs_ = 0, loadMs_ = 0;
    std::string view_renderer_;
    Phase intro_{"intro", 0, 0, {}, {}};
    Phase phases_[4] = {{"orbit 0-16", 0, 16, {}, {}},
                        {"descent and fire 16-25", 16, 25, {}, {}},
                        {"interlude 25-30", 25, 30, {}, {}},
                        {"final still 30+", 30, 1e9, {}, {}}};
};

}  // namespace

int main(int argc, char** argv)
{
    const uint64_t startNs = monotonicNanoseconds();
    Options o;
    if (!parse(argc, argv, o)) {
        usage(std::cerr);
        return 2;
    }
    o.out = absolute(o.out);
    o.framesDir = absolute(o.framesDir);
    o.sound = absolute(o.sound);
    o.data = absolute(o.data);

    useOffscreenVideo();
    if (!o.sound.empty()) useDiskAudio(o.sound + ".raw");
    const std::string data = o.data.empty() ? folderOf(executablePath()) + "/" + saverName() : o.data;
    if (!setCurrentDirectory(data)) {
        std::cerr << "caldrise-record: cannot enter the data folder " << data << "\n";
        return 1;
    }
    try {
        Recorder recorder(o, startNs);
        return recorder.run();
    } catch (const std::exception& e) {
        std::cerr << "caldrise-record: " << e.what() << "\n";
        return 1;
    }
}
