#pragma once

#include <ostream>
#include <string_view>
#include <vector>

// Writes indented JSON, keeping track of where commas go. Keys and strings
// are escaped; numbers keep six significant digits, more than any figure
// measured here can claim.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out);

    void beginObject(std::string_view key = {});
    void endObject();
    void beginArray(std::string_view key = {});
    void endArray();
    void value(std::string_view key, double number);
    void value(std::string_view key, std::string_view text);
    // Not an overload of value: a string literal would convert to bool.
    void boolean(std::string_view key, bool flag);
    // A number inside an array.
    void element(double number);

private:
    void open(std::string_view key, char bracket);
    void close(char bracket);
    void startEntry(std::string_view key);
    void writeString(std::string_view text);
    void writeNumber(double number);

    std::ostream& out;
    // Per open container: whether it holds an entry yet.
    std::vector<bool> hasEntries;
};
