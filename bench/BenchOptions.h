#pragma once

#include <filesystem>

// The command line of glimmerhall_bench.
struct BenchOptions {
    // Where settings.txt's neighbours live: shader/ and res/.
    std::filesystem::path dataDirectory;
    // Receives bench.json and bench.log.
    std::filesystem::path outputDirectory = "out";
    int warmUpFrames = 20;
    int measuredFrames = 100;
    int growthWarmUpFrames = 5;
    int growthFrames = 40;
    // Per variant at each moment of the main-pass comparison.
    int momentWarmUpFrames = 2;
    int momentFrames = 16;

    // False, after a message on standard error, for an unknown option or a
    // count that is not a positive number.
    bool parse(int argc, char** argv);
    static void printUsage();
};
