// Writes the seed inputs of fuzz_ttadecoder into the folder given: tiny TTA files made by
// ffmpeg, one per depth and channel count, at a low rate so that a few kilobytes hold several
// frames. Made at fuzz time, never committed.
//
// Usage: make_tta_seeds FOLDER

#include <cstdio>
#include <filesystem>
#include <string>

#include "TtaFixtures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_tta_seeds FOLDER\n");
    return 2;
  }
  namespace fs = std::filesystem;
  using corvane::test::TPcmFormat;
  using corvane::test::TSignal;
  const fs::path folder = argv[1];
  fs::create_directories(folder);
  try {
    // At 2000 Hz a frame is 2089 samples: 5000 samples make two whole frames and a short one.
    const TPcmFormat formats[] = {{16, 2, 2000}, {16, 1, 2000}, {8, 2, 2000},
                                  {8, 1, 2000},  {24, 2, 2000}, {24, 1, 2000}};
    int made = 0;
    for (const TPcmFormat& format : formats) {
      for (const TSignal signal : {TSignal::Tone, TSignal::Silence}) {
        const std::string tta = corvane::test::TtaFixture({format, 5000, signal, 5});
        fs::copy_file(tta, folder / ("ffmpeg-" + std::to_string(made++) + ".tta"),
                      fs::copy_options::overwrite_existing);
      }
    }
  } catch (const std::exception& E) {
    std::fprintf(stderr, "make_tta_seeds: %s\n", E.what());
    return 1;
  }
  return 0;
}
