#pragma once

#include "MovieFile.h"

#include <string>

// Turns any video file that FFmpeg reads into a movie of the given layout:
// its first video stream becomes lossless frames (scaled to `width` x
// `height` when both are positive) at the file's average rate, its first
// sound stream 16-bit PCM (at most two channels). Progress in frames.
void ImportVideo(const std::string& input, const std::string& output, vtapi::MovieLayout layout, int width,
    int height, const vtapi::TaskControl& control);
