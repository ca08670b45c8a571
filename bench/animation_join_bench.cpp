// SPDX-License-Identifier: GPL-3.0-or-later
// What gifsicle does with frame files, as one process: reads GIF frame files and writes them, in
// the order given, as one animated GIF (delay 10, looping for ever) through the animated export.
//
//   animation_join_bench [--whole-frames] OUT.gif FRAME.gif...
//   animation_join_bench --seconds OUT.gif FRAME.gif...   loads the frames once, then prints the
//                                                          best seconds of 5 animated saves (the
//                                                          writer alone, no process start) and
//                                                          the seconds of loading the frames
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/animated_export.h"

int main(int argc, char** argv) {
  // No application object: reading and writing GIF files needs neither fonts nor a screen.
  int first = 1;
  kestrin::AnimationSettings settings;
  bool seconds = false;
  if (argc > 1 && std::strcmp(argv[1], "--whole-frames") == 0) {
    settings.optimizeFrames = false;
    ++first;
  } else if (argc > 1 && std::strcmp(argv[1], "--seconds") == 0) {
    seconds = true;
    ++first;
  }
  if (argc - first < 2) {
    std::fprintf(stderr, "usage: %s [--whole-frames] OUT.gif FRAME.gif...\n", argv[0]);
    return 2;
  }
  std::vector<platform::Picture> frames;
  const auto loadStart = std::chrono::steady_clock::now();
  for (int i = first + 1; i < argc; ++i) frames.push_back(platform::LoadPicture(argv[i]));
  const double load =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - loadStart).count();
  double best = 1e9;
  for (int run = 0; run < (seconds ? 5 : 1); ++run) {
    std::filesystem::remove(argv[first]);
    std::string error;
    const auto t0 = std::chrono::steady_clock::now();
    if (!kestrin::SaveAnimatedSeries(frames, argv[first], settings, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    best = std::min(best,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  if (seconds) std::printf("%.4f %.4f\n", best, load);
  return 0;
}
