#include "BenchOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool parseCount(const char* text, int& count)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0 || value > 100000) {
        return false;
    }
    count = static_cast<int>(value);
    return true;
}

} // namespace

bool BenchOptions::parse(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "glimmerhall_bench: '%s' needs a value\n", option.c_str());
            return false;
        }
        const char* value = argv[++i];
        bool valid = true;
        if (option == "--data") {
            dataDirectory = value;
        } else if (option == "--out") {
            outputDirectory = value;
        } else if (option == "--warm-up") {
            valid = parseCount(value, warmUpFrames);
        } else if (option == "--frames") {
            valid = parseCount(value, measuredFrames);
        } else if (option == "--growth-warm-up") {
            valid = parseCount(value, growthWarmUpFrames);
        } else if (option == "--growth-frames") {
            valid = parseCount(value, growthFrames);
        } else if (option == "--moment-warm-up") {
            valid = parseCount(value, momentWarmUpFrames);
        } else if (option == "--moment-frames") {
            valid = parseCount(value, momentFrames);
        } else {
            std::fprintf(stderr, "glimmerhall_bench: unknown option '%s'\n", option.c_str());
            return false;
        }
        if (!valid) {
            std::fprintf(stderr, "glimmerhall_bench: '%s' wants a positive count, not '%s'\n", option.c_str(),
                         value);
            return false;
        }
    }
    return true;
}

void BenchOptions::printUsage()
{
    std::fputs("usage: glimmerhall_bench [--data DIR] [--out DIR] [--warm-up N] [--frames N]\n"
               "                         [--growth-warm-up N] [--growth-frames N]\n"
               "                         [--moment-warm-up N] [--moment-frames N]\n"
               "  --data DIR   the directory holding shader/ and res/ (default: the source tree)\n"
               "  --out DIR    where bench.json and bench.log go (default: out)\n",
               stderr);
}
