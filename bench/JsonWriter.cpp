#include "JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <string>

JsonWriter::JsonWriter(std::ostream& out) : out(out)
{
}

void JsonWriter::beginObject(std::string_view key)
{
    open(key, '{');
}

void JsonWriter::endObject()
{
    close('}');
}

void JsonWriter::beginArray(std::string_view key)
{
    open(key, '[');
}

void JsonWriter::endArray()
{
    close(']');
}

void JsonWriter::value(std::string_view key, double number)
{
    startEntry(key);
    writeNumber(number);
}

void JsonWriter::value(std::string_view key, std::string_view text)
{
    startEntry(key);
    writeString(text);
}

void JsonWriter::boolean(std::string_view key, bool flag)
{
    startEntry(key);
    out << (flag ? "true" : "false");
}

void JsonWriter::element(double number)
{
    startEntry({});
    writeNumber(number);
}

void JsonWriter::open(std::string_view key, char bracket)
{
    if (!hasEntries.empty()) {
        startEntry(key);
    }
    out << bracket;
    hasEntries.push_back(false);
}

void JsonWriter::close(char bracket)
{
    const bool hadEntries = hasEntries.back();
    hasEntries.pop_back();
    if (hadEntries) {
        out << '\n' << std::string(hasEntries.size() * 2, ' ');
    }
    out << bracket;
    if (hasEntries.empty()) {
        out << '\n';
    }
}

void JsonWriter::startEntry(std::string_view key)
{
    if (hasEntries.back()) {
        out << ',';
    }
    hasEntries.back() = true;
    out << '\n' << std::string(hasEntries.size() * 2, ' ');
    if (!key.empty()) {
        writeString(key);
        out << ": ";
    }
}

void JsonWriter::writeString(std::string_view text)
{
    out << '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out << '\\' << c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned int>(c));
            out << escaped;
        } else {
            out << c;
        }
    }
    out << '"';
}

void JsonWriter::writeNumber(double number)
{
    // JSON has no NaN or infinity.
    if (!std::isfinite(number)) {
        out << "null";
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", number);
    out << text;
}
