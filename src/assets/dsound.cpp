#include "assets/dsound.h"

DSound::~DSound() = default;
