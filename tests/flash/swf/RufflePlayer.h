#pragma once

// Plays an SWF movie in Ruffle inside headless Chromium through
// scripts/ruffle-play.py: steps such as "wait:500", "shot:FILE.jpg",
// "click:X,Y", "move:X,Y" and "--param", "NAME=VALUE" pairs.

#include <filesystem>
#include <string>
#include <vector>

struct RuffleRun {
    bool ok = false;
    // Chromium or Ruffle is not installed: the test skips with `message`.
    bool missing = false;
    std::string message;
};

RuffleRun PlayInRuffle(
    const std::filesystem::path& movie, int width, int height, const std::vector<std::string>& steps);
