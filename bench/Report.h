#pragma once

#include <filesystem>
#include <iosfwd>

struct BenchResults;

// The benchmark's two outputs: a table for people and a JSON file for tools.
class Report {
public:
    static void printTable(const BenchResults& results, std::ostream& out);
    // False, after an error line, when the file could not be written.
    static bool writeJson(const BenchResults& results, const std::filesystem::path& path);
};
