// DSound: the sound player with 64 slots. A null player pointer means sound is off.
#pragma once

class DSound {
public:
    DSound() = default;
    ~DSound();
    DSound(const DSound&) = delete;
    DSound& operator=(const DSound&) = delete;
};
