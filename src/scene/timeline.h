// The scene timeline: the frame clock, the scene clock, the sound mix and the choice of sequence.
// Saver::frame (timeline.cpp) puts them together once per frame; the pieces are exposed so that
// the recorder and the tests can work them out for any clock.
#pragma once

class DSound;

// Seconds since the previous frame, from the millisecond tick count, and records the tick in
// lastTick. The difference is taken in unsigned 32 bits, so a wrap of the tick counter still
// gives the small true step. The first frame (lastTick 0) takes 0.01 s. No limits: a stall makes
// one large step.
float frameTimer();

// The scene's clamp for ramps: 0 for a value that is not ≥ 0 (NaN too), 1 above 1.
float rampClamp(float x);

// The five ramps of the sound mix at a scene clock (scene clock units).
struct SoundRamps {
    float fadeIn;    // 0 → 1 over clock 0 … 5: the opening fade of every loop
    float entry;     // 8 … 12: the atmospheric entry
    float stage2;    // 13 … 14: second pitch bend
    float stage3;    // 16 … 17: third pitch bend
    float fadeOut;   // 18 … 38: the closing fade of the ambience
};
SoundRamps soundRamps(float clock);

// What the mix hands to the player for slots 2 … 13 (indices are slot numbers; 0 and 1 belong to
// the captions and are never set here). Volumes as DSound::setVolume takes them, frequency
// factors as DSound::setFrequency takes them, both unclamped: the player clamps. Slots 6 and 10
// keep their own rate and get no frequency.
struct SoundMix {
    static constexpr int kFirstSlot = 2;
    static constexpr int kSlots = 14;
    float volume[kSlots];
    float frequency[kSlots];
    static bool setsFrequency(int slot) { return slot >= kFirstSlot && slot != 6 && slot != 10; }
};
// distance: from the camera to the station, in scene units.
SoundMix soundMix(float clock, float distance);

// Sets the volumes and frequency factors of slots 2 … 13, in the mix's fixed order.
void applySoundMix(DSound& player, const SoundMix& mix);

// Which sequence a scene clock shows, and the time handed to it.
enum class SceneSequence { orbit, interlude };
struct SequenceChoice {
    SceneSequence sequence;
    float sceneTime;   // the clock for the orbit, the clock − 25 for the interlude
};
// Below 25 and from 30 on: the orbit sequence; 25 ≤ clock < 30: the ground interlude.
SequenceChoice chooseSequence(float clock);
