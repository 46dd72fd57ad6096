// The sound bank caldrise.str: six loops synthesised from fixed seeds, in the order the scene
// loads them: typing left, typing right, the station's machine hum, then three re-entry
// ambiences (roar, plasma wind, crackling rumble).
//
// Every loop is built periodic over exactly its own length, so it repeats without a click:
// tones and modulations complete whole cycles per loop, filters run twice around the loop (the
// first lap only settles their state, so the second starts where it will end), and short events
// that run past the end wrap round to the start.
#include "forge.h"

#include "assets/soundbank.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRate = 22050;   // samples per second, mono, 16 bits
constexpr double kPi = 3.14159265358979323846;

using Signal = std::vector<double>;

// Our own generator (xorshift64*), so the bank is the same bytes on every machine and library.
class Noise {
public:
    explicit Noise(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }   // 0 … 1
    double signedUnit() { return unit() * 2.0 - 1.0; }                                          // −1 … 1
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }

private:
    uint64_t state_;
};

Signal whiteNoise(int n, Noise& rng)
{
    Signal s(n);
    for (double& v : s) v = rng.signedUnit();
    return s;
}

// The nearest frequency (Hz) that completes a whole number of cycles, at least one, in n samples.
double loopHz(double hz, int n)
{
    const double cycles = std::max(1.0, std::round(hz * n / kRate));
    return cycles * kRate / n;
}

// Two-pole filter in the usual audio-cookbook forms; f in Hz.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

    static Biquad make(int kind, double f, double q)
    {
        const double w = 2.0 * kPi * f / kRate;
        const double cw = std::cos(w), alpha = std::sin(w) / (2.0 * q);
        double b0, b1, b2;
        if (kind == 0) {   // low-pass
            b0 = (1 - cw) / 2; b1 = 1 - cw; b2 = (1 - cw) / 2;
        } else if (kind == 1) {   // high-pass
            b0 = (1 + cw) / 2; b1 = -(1 + cw); b2 = (1 + cw) / 2;
        } else {   // band-pass, unit gain at the centre
            b0 = alpha; b1 = 0; b2 = -alpha;
        }
        const double a0 = 1 + alpha;
        Biquad r;
        r.b0 = b0 / a0; r.b1 = b1 / a0; r.b2 = b2 / a0;
        r.a1 = -2 * cw / a0; r.a2 = (1 - alpha) / a0;
        return r;
    }
    static Biquad lowpass(double f, double q = 0.7071) { return make(0, f, q); }
    static Biquad highpass(double f, double q = 0.7071) { return make(1, f, q); }
    static Biquad bandpass(double f, double q) { return make(2, f, q); }
};

// Filters the loop as if it had been playing for ever: one lap to settle the filter's state on the
// loop's own end, a second lap that keeps the output. Coefficients may change per sample as long
// as they are periodic in the loop too.
Signal loopFilter(const Signal& in, const std::function<Biquad(int)>& at)
{
    const int n = static_cast<int>(in.size());
    Signal out(n);
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (int lap = 0; lap < 2; ++lap) {
        for (int i = 0; i < n; ++i) {
            const Biquad f = at(i);
            const double x = in[i];
            const double y = f.b0 * x + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
            x2 = x1; x1 = x; y2 = y1; y1 = y;
            if (lap == 1) out[i] = y;
        }
    }
    return out;
}

Signal loopFilter(const Signal& in, const Biquad& f)
{
    return loopFilter(in, [&f](int) { return f; });
}

// Filters a short one-off sound that starts from silence (a key stroke, a crackle).
void oneShotFilter(Signal& s, const Biquad& f)
{
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : s) {
        const double x = v;
        const double y = f.b0 * x + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
        x2 = x1; x1 = x; y2 = y1; y1 = y;
        v = y;
    }
}

// Adds a short sound into the loop at sample `at`; what runs past the end wraps to the start.
void addWrapped(Signal& loop, const Signal& sound, int at, double gain)
{
    const int n = static_cast<int>(loop.size());
    for (size_t j = 0; j < sound.size(); ++j) loop[(at + static_cast<int>(j)) % n] += sound[j] * gain;
}

void mixInto(Signal& into, const Signal& add, double gain)
{
    for (size_t i = 0; i < into.size(); ++i) into[i] += add[i] * gain;
}

double peakOf(const Signal& s)
{
    double p = 0;
    for (double v : s) p = std::max(p, std::fabs(v));
    return p;
}

// Brings the loop to `peak` (of full scale), through a gentle tanh saturation of strength `drive`
// (0 for none) that lifts the quiet parts of the ambiences; memoryless, so it keeps the loop whole.
void master(Signal& s, double peak, double drive)
{
    double p = peakOf(s);
    if (p <= 0) return;
    for (double& v : s) v /= p;
    if (drive > 0)
        for (double& v : s) v = std::tanh(drive * v) / std::tanh(drive);
    p = peakOf(s);
    for (double& v : s) v *= peak / p;
}

// ---- Typing ------------------------------------------------------------------------------------

// What one hand's keys sound like: the resonances of the key cap and the board (Hz).
struct KeyVoice {
    double clickHz;       // the sharp contact click
    double bodyHz[3];     // the plastic "thock" of the key hitting bottom
    double meanGap;       // mean time between strokes, s
    double length;        // rough loop length, s
    uint64_t seed;
};

Signal keyStroke(const KeyVoice& v, Noise& rng, bool spaceBar)
{
    const int n = static_cast<int>(0.20 * kRate);
    Signal s(n, 0.0);
    const double jitter = rng.range(0.93, 1.07);

    // Contact click: a 1–2 ms burst of noise, band-limited so it is crisp without fizz.
    Signal click(n, 0.0);
    const double clickTau = rng.range(0.0005, 0.0009);   // s
    for (int i = 0; i < static_cast<int>(0.006 * kRate); ++i) click[i] = rng.signedUnit() * std::exp(-i / (clickTau * kRate));
    oneShotFilter(click, Biquad::bandpass(v.clickHz * jitter, 1.1));
    mixInto(s, click, 1.0);

    // Bottoming out a few ms later: the damped resonances of cap and board.
    const int bottom = static_cast<int>(rng.range(0.004, 0.009) * kRate);
    const double bodyScale = spaceBar ? 0.62 : 1.0;
    const double bodyTau = spaceBar ? 0.022 : 0.011;   // s
    for (int k = 0; k < 3; ++k) {
        const double hz = v.bodyHz[k] * bodyScale * jitter * rng.range(0.97, 1.03);
        const double amp = (k == 0 ? 0.55 : k == 1 ? 0.4 : 0.22) * rng.range(0.8, 1.1);
        const double tau = bodyTau / (1 + 0.5 * k);
        const double phase = rng.range(0, 2 * kPi);
        for (int i = 0; bottom + i < n; ++i) {
            const double t = static_cast<double>(i) / kRate;
            // A 0.3 ms rise keeps the resonance from starting on a step.
            const double rise = std::min(1.0, t / 0.0003);
            s[bottom + i] += amp * rise * std::exp(-t / tau) * std::sin(2 * kPi * hz * t + phase);
        }
    }
    Signal thud(n, 0.0);
    for (int i = 0; bottom + i < n && i < static_cast<int>(0.004 * kRate); ++i)
        thud[bottom + i] = rng.signedUnit() * std::exp(-i / (0.0006 * kRate));
    oneShotFilter(thud, Biquad::bandpass(v.clickHz * 0.55, 0.9));
    mixInto(s, thud, 0.6);

    // Release: the key springs back up, a softer and higher click.
    const int release = static_cast<int>(rng.range(0.065, 0.14) * kRate);
    Signal up(n, 0.0);
    for (int i = 0; release + i < n && i < static_cast<int>(0.004 * kRate); ++i)
        up[release + i] = rng.signedUnit() * std::exp(-i / (0.0004 * kRate));
    oneShotFilter(up, Biquad::bandpass(v.clickHz * 1.3, 1.4));
    mixInto(s, up, spaceBar ? 0.5 : 0.32);
    if (spaceBar) {   // the stabiliser wire's short rattle
        for (int i = 0; release + i < n; ++i) {
            const double t = static_cast<double>(i) / kRate;
            s[release + i] += 0.12 * std::exp(-t / 0.008) * std::sin(2 * kPi * 1730 * t);
        }
    }
    return s;
}

Signal typingLoop(const KeyVoice& v)
{
    Noise rng(v.seed);
    // The gaps between strokes: mostly quick runs, now and then the hesitation of a thinking typist.
    std::vector<double> gaps;
    double total = 0;
    while (total < v.length) {
        double gap = v.meanGap * (0.45 + 0.9 * std::pow(rng.unit(), 1.6));
        if (rng.unit() < 0.12) gap += rng.range(0.18, 0.38);
        gaps.push_back(gap);
        total += gap;
    }
    // The last gap is a pause, and the strokes start a little after the loop does, so the seam
    // falls into silence between two strokes.
    const double pause = 0.32;   // s
    if (gaps.back() < pause) {
        total += pause - gaps.back();
        gaps.back() = pause;
    }
    // The loop ends exactly one gap after the last stroke, so the seam is just another gap.
    const int n = static_cast<int>(std::lround(total * kRate));
    Signal loop(n, 0.0);
    double t = 0.03;   // s
    for (size_t k = 0; k < gaps.size(); ++k) {
        const bool spaceBar = rng.unit() < 0.14;
        const Signal stroke = keyStroke(v, rng, spaceBar);
        addWrapped(loop, stroke, static_cast<int>(std::lround(t * kRate)) % n, rng.range(0.7, 1.0));
        t += gaps[k];
    }
    loop = loopFilter(loop, Biquad::highpass(70));
    loop = loopFilter(loop, Biquad::lowpass(7500));   // crisp, not harsh
    master(loop, 0.79, 0);
    return loop;
}

// ---- The station's machine hum -----------------------------------------------------------------

// Mains drone, fans, a coolant pump and a motor whine. It plays at 0.5–0.73 of its rate in the
// show, so it carries enough in the mids to stay a machine rather than a rumble when slowed.
Signal stationHum()
{
    const int n = 4 * kRate;   // 4 s
    Noise rng(0x57A710);
    Signal s(n, 0.0);

    // Drone: two close fundamentals that beat slowly, with falling harmonics.
    const double f0 = loopHz(100, n), f1 = loopHz(100.5, n);
    for (int h = 1; h <= 9; ++h) {
        const double amp = 0.5 / std::pow(h, 1.1) * (h % 2 ? 1.0 : 0.6);
        const double p0 = rng.range(0, 2 * kPi), p1 = rng.range(0, 2 * kPi);
        for (int i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / kRate;
            s[i] += amp * (std::sin(2 * kPi * f0 * h * t + p0) + 0.6 * std::sin(2 * kPi * f1 * h * t + p1));
        }
    }

    // Fans: broadband air noise, chopped lightly at the blade-pass rate, with its tone.
    const double blade = loopHz(142, n);
    Signal air = loopFilter(whiteNoise(n, rng), Biquad::bandpass(700, 0.45));
    air = loopFilter(air, Biquad::lowpass(2400));
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        air[i] *= 1.0 + 0.25 * std::sin(2 * kPi * blade * t);
        air[i] += 0.05 * std::sin(2 * kPi * blade * t) + 0.03 * std::sin(2 * kPi * 2 * blade * t + 1.0);
    }
    mixInto(s, air, 0.55);

    // Pump: a soft surge of low gurgling once a second (4 per loop).
    Signal gurgle = loopFilter(whiteNoise(n, rng), Biquad::bandpass(210, 1.8));
    gurgle = loopFilter(gurgle, Biquad::lowpass(500));
    const double stroke = loopHz(1.0, n);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double phase = std::fmod(stroke * t, 1.0);
        const double surge = std::pow(0.5 - 0.5 * std::cos(2 * kPi * phase), 3.0);
        s[i] += gurgle[i] * (0.4 + 2.6 * surge) + 0.18 * surge * std::sin(2 * kPi * loopHz(55, n) * t);
    }

    // Motor whine, slightly wavering.
    const double whine = loopHz(1180, n);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double wobble = 0.6 * std::sin(2 * kPi * loopHz(0.5, n) * t);   // radians of phase
        s[i] += 0.035 * std::sin(2 * kPi * whine * t + wobble);
    }

    s = loopFilter(s, Biquad::highpass(30));
    master(s, 0.85, 1.2);
    return s;
}

// ---- Re-entry ambiences ------------------------------------------------------------------------
// Three loops of different lengths that split the spectrum: the roar below 300 Hz, the wind and
// hiss above 300 Hz, the crackle as transients across the mids, so they layer without masking.

Signal deepRoar()
{
    const int n = 5 * kRate;   // 5 s
    Noise rng(0x0A2F);
    Signal body = loopFilter(whiteNoise(n, rng), Biquad::lowpass(110, 0.9));
    body = loopFilter(body, Biquad::lowpass(260));
    Signal growl = loopFilter(whiteNoise(n, rng), Biquad::bandpass(240, 2.2));
    mixInto(body, growl, 0.08);
    const double p = rng.range(0, 2 * kPi);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double swell = 1.0 + 0.25 * std::sin(2 * kPi * loopHz(0.4, n) * t) + 0.12 * std::sin(2 * kPi * loopHz(1.2, n) * t + p);
        body[i] *= swell;
        body[i] += 0.025 * (std::sin(2 * kPi * loopHz(33, n) * t) + 0.8 * std::sin(2 * kPi * loopHz(41, n) * t + p));
    }
    body = loopFilter(body, Biquad::highpass(22));
    master(body, 0.85, 1.6);
    return body;
}

Signal plasmaWind()
{
    const int n = 9 * kRate / 2;   // 4.5 s
    Noise rng(0x9A5A);
    const Signal white = whiteNoise(n, rng);

    // Wind: a resonant band that howls up and down, the sweep periodic in the loop.
    // Three sweep rates (1, 3 and 7 cycles a loop), so the howl has no steady beat.
    const double r1 = loopHz(0.22, n), r2 = loopHz(0.67, n), r3 = loopHz(1.55, n);
    std::vector<Biquad> sweep(n);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double octaves = 0.6 * std::sin(2 * kPi * r1 * t) + 0.35 * std::sin(2 * kPi * r2 * t + 1.3) +
                               0.15 * std::sin(2 * kPi * r3 * t + 0.5);
        sweep[i] = Biquad::bandpass(950 * std::pow(2.0, octaves), 3.0);
    }
    Signal wind = loopFilter(white, [&sweep](int i) { return sweep[i]; });

    // Plasma hiss: bright noise in gusts.
    Signal hiss = loopFilter(whiteNoise(n, rng), Biquad::highpass(2600));
    hiss = loopFilter(hiss, Biquad::lowpass(7800));
    const double g1 = loopHz(0.45, n), g2 = loopHz(1.55, n);   // two gust rates, so no plain beat
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        hiss[i] *= 0.6 + 0.25 * std::sin(2 * kPi * g1 * t + 0.4) + 0.15 * std::sin(2 * kPi * g2 * t + 2.1);
    }
    Signal s = wind;
    mixInto(s, hiss, 0.45);
    s = loopFilter(s, Biquad::highpass(300));
    master(s, 0.8, 1.3);
    return s;
}

Signal cracklingRumble()
{
    const int n = 11 * kRate / 2;   // 5.5 s
    Noise rng(0xC4AC);
    Signal s = loopFilter(whiteNoise(n, rng), Biquad::lowpass(75, 0.8));
    Signal mid = loopFilter(whiteNoise(n, rng), Biquad::bandpass(160, 1.2));
    mixInto(s, mid, 0.15);
    for (double& v : s) v *= 2.5;

    // Crackles: random pops of burning debris, many small and a few loud, some with a thud.
    const double rate = 34;   // pops per second
    double t = rng.range(0, 0.02);
    while (t < static_cast<double>(n) / kRate) {
        const int len = static_cast<int>(0.03 * kRate);
        Signal pop(len, 0.0);
        const double tau = rng.range(0.0003, 0.0025);   // s
        for (int i = 0; i < len; ++i) pop[i] = rng.signedUnit() * std::exp(-i / (tau * kRate));
        oneShotFilter(pop, Biquad::bandpass(rng.range(700, 3400), rng.range(0.7, 2.0)));
        const double loud = std::pow(rng.unit(), 3.0);
        if (loud > 0.35) {   // the big ones also knock low
            for (int i = 0; i < len; ++i) {
                const double u = static_cast<double>(i) / kRate;
                pop[i] += 0.18 * std::min(1.0, u / 0.0005) * std::exp(-u / 0.008) * std::sin(2 * kPi * 95 * u);
            }
        }
        addWrapped(s, pop, static_cast<int>(t * kRate) % n, 0.1 + 1.6 * loud);
        t += -std::log(1.0 - rng.unit() * 0.999) / rate;   // Poisson arrivals
    }
    s = loopFilter(s, Biquad::highpass(25));
    master(s, 0.85, 1.4);
    return s;
}

void appendLoop(std::vector<uint8_t>& bank, const Signal& s)
{
    std::vector<uint8_t> bytes(s.size() * 2);
    for (size_t i = 0; i < s.size(); ++i) {
        const long v = std::clamp(std::lround(s[i] * 32767.0), -32767L, 32767L);
        const uint16_t u = static_cast<uint16_t>(static_cast<int16_t>(v));
        bytes[2 * i] = static_cast<uint8_t>(u);
        bytes[2 * i + 1] = static_cast<uint8_t>(u >> 8);
    }
    appendSoundRecord(bank, pcmWaveFormat(1, 16, kRate), bytes.data(), static_cast<uint32_t>(bytes.size()));
}

}  // namespace

bool forgeSoundBank(const std::string& path)
{
    // Two hands of one typist: the right hand a little brighter and slower, with its own rhythm
    // and loop length so the pair never lines up into an obvious pattern.
    const KeyVoice left{2900, {190, 430, 1020}, 0.27, 3.1, 0x1EF7};
    const KeyVoice right{3500, {225, 505, 1270}, 0.31, 3.6, 0x419D7};

    std::vector<uint8_t> bank;
    appendLoop(bank, typingLoop(left));
    appendLoop(bank, typingLoop(right));
    appendLoop(bank, stationHum());
    appendLoop(bank, deepRoar());
    appendLoop(bank, plasmaWind());
    appendLoop(bank, cracklingRumble());

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(("caldrise-forge: " + path).c_str());
        return false;
    }
    const bool written = std::fwrite(bank.data(), 1, bank.size(), f) == bank.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "caldrise-forge: could not write %s\n", path.c_str());
        return false;
    }
    return true;
}
