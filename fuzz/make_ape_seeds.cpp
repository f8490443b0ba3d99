// Writes the seed inputs of fuzz_apedecoder into the folder given: tiny Monkey's Audio files
// made by jmac, one per depth and channel count at each level, and the reference encoder's
// small files when the shared test data is there. Made at fuzz time, never committed.
//
// Usage: make_ape_seeds FOLDER

#include <cstdio>
#include <filesystem>
#include <string>

#include "ApeFixtures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_ape_seeds FOLDER\n");
    return 2;
  }
  namespace fs = std::filesystem;
  using corvane::test::TPcmFormat;
  using corvane::test::TSignal;
  const fs::path folder = argv[1];
  fs::create_directories(folder);
  try {
    const TPcmFormat formats[] = {{16, 2, 44100}, {16, 1, 44100}, {8, 2, 44100}, {24, 2, 44100},
                                  {24, 1, 44100}};
    int made = 0;
    for (int level = 1; level <= 5; ++level) {
      const TPcmFormat& format = formats[level - 1];
      for (const TSignal signal : {TSignal::Tone, TSignal::Silence}) {
        const corvane::test::TApeFixtureSpec spec{format, 3001, signal, level, 5};
        const std::string ape = corvane::test::ApeFixture(spec);
        fs::copy_file(ape, folder / ("jmac-" + std::to_string(made++) + ".ape"),
                      fs::copy_options::overwrite_existing);
      }
    }
    const fs::path shared = CORVANE_SHARED_TESTDATA;
    for (const char* name : {"mac-396.ape", "mac-399.ape", "mac-390-hdr.ape"}) {
      if (fs::exists(shared / name)) {
        fs::copy_file(shared / name, folder / name, fs::copy_options::overwrite_existing);
      }
    }
  } catch (const std::exception& E) {
    std::fprintf(stderr, "make_ape_seeds: %s\n", E.what());
    return 1;
  }
  return 0;
}
