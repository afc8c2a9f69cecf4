#pragma once

#include <iosfwd>

class JsonWriter;
struct BenchResults;

// The main-pass comparison's part of the benchmark's table and JSON file.
class MainPassReport {
public:
    static void printTables(const BenchResults& results, std::ostream& out);
    static void writeJson(const BenchResults& results, JsonWriter& json);
};
