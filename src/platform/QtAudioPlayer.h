// The real audio player behind the AudioPlayer interface.
#pragma once

#include <memory>

#include "platform/AudioPlayer.h"

std::unique_ptr<AudioPlayer> CreateAudioPlayer();
