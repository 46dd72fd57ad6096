// The forge's sound bank, read back with the player's own record reader.
#include "forge.h"

#include "assets/soundbank.h"
#include "assets/stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<int> samplesOf(const SoundRecord& r)
{
    std::vector<int> s(r.samples.size() / 2);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(static_cast<uint16_t>(r.samples[2 * i] | (r.samples[2 * i + 1] << 8)));
    return s;
}

// The sizes of the steps from each sample to the next, sorted.
std::vector<int> sortedSteps(const std::vector<int>& s)
{
    std::vector<int> steps;
    for (size_t i = 0; i + 1 < s.size(); ++i) steps.push_back(std::abs(s[i + 1] - s[i]));
    std::sort(steps.begin(), steps.end());
    return steps;
}

class SoundBank : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        path_ = new std::string(::testing::TempDir() + "forge_test_caldrise.str");
        ASSERT_TRUE(forgeSoundBank(*path_));
        bytes_ = new std::vector<uint8_t>(readAll(*path_));
        records_ = new std::vector<SoundRecord>;
        MemorySource in(*bytes_);
        while (in.remaining() > 0) {
            SoundRecord r;
            std::string problem;
            ASSERT_TRUE(readSoundRecord(in, r, &problem)) << "record " << records_->size() << ": " << problem;
            records_->push_back(std::move(r));
        }
    }
    static void TearDownTestSuite()
    {
        std::remove(path_->c_str());
        delete records_;
        delete bytes_;
        delete path_;
    }

    static std::string* path_;
    static std::vector<uint8_t>* bytes_;
    static std::vector<SoundRecord>* records_;
};
std::string* SoundBank::path_;
std::vector<uint8_t>* SoundBank::bytes_;
std::vector<SoundRecord>* SoundBank::records_;

const char* const kNames[6] = {"typing left", "typing right", "station hum", "roar", "plasma wind", "crackle"};

TEST_F(SoundBank, HoldsSixRecordsAndNothingElse)
{
    EXPECT_EQ(records_->size(), 6u);
}

TEST_F(SoundBank, EveryRecordIs22050Hz16BitMonoPcmThatThePlayerAccepts)
{
    ASSERT_EQ(records_->size(), 6u);
    for (size_t k = 0; k < records_->size(); ++k) {
        const WaveFormat& f = (*records_)[k].format;
        EXPECT_EQ(f.formatTag, kWaveFormatPcm) << kNames[k];
        EXPECT_EQ(f.channels, 1) << kNames[k];
        EXPECT_EQ(f.samplesPerSecond, 22050u) << kNames[k];
        EXPECT_EQ(f.bitsPerSample, 16) << kNames[k];
        EXPECT_EQ(f.blockAlignment, 2) << kNames[k];
        EXPECT_EQ(f.averageBytesPerSecond, 44100u) << kNames[k];
        EXPECT_EQ(f.extraSize, 0) << kNames[k];
        EXPECT_EQ(soundRecordProblem(f, static_cast<uint32_t>((*records_)[k].samples.size())), "") << kNames[k];
    }
}

TEST_F(SoundBank, EveryLoopLastsAFewSeconds)
{
    ASSERT_EQ(records_->size(), 6u);
    for (size_t k = 0; k < records_->size(); ++k) {
        const double seconds = (*records_)[k].samples.size() / 2 / 22050.0;
        EXPECT_GE(seconds, 2.0) << kNames[k];
        EXPECT_LE(seconds, 8.0) << kNames[k];
        EXPECT_EQ((*records_)[k].samples.size() % 2, 0u) << kNames[k] << ": whole 16-bit samples";
    }
}

TEST_F(SoundBank, PeaksAreLoudButBelowFullScale)
{
    ASSERT_EQ(records_->size(), 6u);
    for (size_t k = 0; k < records_->size(); ++k) {
        const std::vector<int> s = samplesOf((*records_)[k]);
        int peak = 0;
        for (int v : s) peak = std::max(peak, std::abs(v));
        EXPECT_LT(peak, 32767 * 0.95) << kNames[k] << " would clip";
        EXPECT_GT(peak, 32767 * 0.5) << kNames[k] << " is too quiet for the player's dB volume range";
    }
}

TEST_F(SoundBank, LoopEndsJoinWithoutAClick)
{
    ASSERT_EQ(records_->size(), 6u);
    for (size_t k = 0; k < records_->size(); ++k) {
        const std::vector<int> s = samplesOf((*records_)[k]);
        const std::vector<int> steps = sortedSteps(s);
        const int seam = std::abs(s.front() - s.back());
        const int typical = steps[steps.size() * 99 / 100];
        EXPECT_LE(seam, typical) << kNames[k] << ": the jump from the last sample to the first is " << seam
                                 << ", while 99% of the steps inside the loop are at most " << typical;
        // The seam is also no larger than the steps right beside it, on either side.
        int nearby = 0;
        for (int i = 1; i <= 16; ++i) {
            nearby = std::max(nearby, std::abs(s[i] - s[i - 1]));
            nearby = std::max(nearby, std::abs(s[s.size() - i] - s[s.size() - i - 1]));
        }
        EXPECT_LE(seam, std::max(2 * nearby, 64)) << kNames[k];
    }
}

// Key strokes show as sudden rises from near silence; a stroke's own release comes within 0.15 s.
std::vector<double> strokeTimes(const std::vector<int>& s)
{
    int peak = 0;
    for (int v : s) peak = std::max(peak, std::abs(v));
    std::vector<double> times;
    int lastLoud = -100000;
    for (size_t i = 0; i < s.size(); ++i) {
        if (std::abs(s[i]) > peak / 4) {
            if (static_cast<int>(i) - lastLoud > 0.1 * 22050 && (times.empty() || i / 22050.0 - times.back() > 0.11))
                times.push_back(i / 22050.0);
            lastLoud = static_cast<int>(i);
        }
    }
    return times;
}

TEST_F(SoundBank, TypingLoopsAreKeyStrokesInAnIrregularRhythm)
{
    ASSERT_EQ(records_->size(), 6u);
    for (int k = 0; k < 2; ++k) {
        const std::vector<int> s = samplesOf((*records_)[k]);
        const std::vector<double> t = strokeTimes(s);
        ASSERT_GE(t.size(), 6u) << kNames[k] << ": strokes found";
        std::vector<double> gaps;
        for (size_t i = 1; i < t.size(); ++i) gaps.push_back(t[i] - t[i - 1]);
        double mean = 0, var = 0;
        for (double g : gaps) mean += g;
        mean /= gaps.size();
        for (double g : gaps) var += (g - mean) * (g - mean);
        const double spread = std::sqrt(var / gaps.size()) / mean;
        EXPECT_GT(spread, 0.15) << kNames[k] << ": the gaps between strokes vary (mean " << mean << " s)";
        EXPECT_GT(mean, 0.1) << kNames[k];
        EXPECT_LT(mean, 0.6) << kNames[k];

        // Between strokes the keyboard is quiet: most of the loop is far below the clicks.
        int peak = 0;
        for (int v : s) peak = std::max(peak, std::abs(v));
        size_t quiet = 0;
        for (int v : s) quiet += std::abs(v) < peak / 100;
        EXPECT_GT(quiet, s.size() / 2) << kNames[k];
    }
}

TEST_F(SoundBank, TheTwoTypingLoopsAreDifferentHands)
{
    ASSERT_EQ(records_->size(), 6u);
    const std::vector<int> a = samplesOf((*records_)[0]), b = samplesOf((*records_)[1]);
    EXPECT_NE(a.size(), b.size()) << "equal lengths would lock the two hands into one pattern";
    const size_t n = std::min(a.size(), b.size());
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; ++i) {
        ab += static_cast<double>(a[i]) * b[i];
        aa += static_cast<double>(a[i]) * a[i];
        bb += static_cast<double>(b[i]) * b[i];
    }
    EXPECT_LT(std::fabs(ab) / std::sqrt(aa * bb), 0.3) << "the right hand is not a copy of the left";
    const std::vector<double> ta = strokeTimes(a), tb = strokeTimes(b);
    EXPECT_NE(ta, tb);
}

TEST_F(SoundBank, AmbiencesAreContinuousSoundNotSilence)
{
    ASSERT_EQ(records_->size(), 6u);
    for (size_t k = 2; k < 6; ++k) {
        const std::vector<int> s = samplesOf((*records_)[k]);
        double sum = 0;
        for (int v : s) sum += static_cast<double>(v) * v;
        const double rms = std::sqrt(sum / s.size()) / 32767.0;
        EXPECT_GT(rms, 0.1) << kNames[k];
        // No quarter second of the loop falls silent.
        const int window = 22050 / 4;
        for (size_t at = 0; at + window <= s.size(); at += window) {
            double w = 0;
            for (int i = 0; i < window; ++i) w += static_cast<double>(s[at + i]) * s[at + i];
            EXPECT_GT(std::sqrt(w / window) / 32767.0, 0.03) << kNames[k] << " at " << at / 22050.0 << " s";
        }
    }
}

TEST_F(SoundBank, TheSameSourceGivesTheSameBytes)
{
    const std::string again = ::testing::TempDir() + "forge_test_caldrise_again.str";
    ASSERT_TRUE(forgeSoundBank(again));
    EXPECT_TRUE(readAll(again) == *bytes_);
    std::remove(again.c_str());
}

TEST(SoundBankFailure, AnUnwritablePathGivesFalse)
{
    EXPECT_FALSE(forgeSoundBank(::testing::TempDir() + "no-such-folder/caldrise.str"));
}

}  // namespace
