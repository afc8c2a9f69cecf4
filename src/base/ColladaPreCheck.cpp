#include "base/ColladaPreCheck.h"

#include "base/ColladaChainCheck.h"
#include "base/ColladaDataCheck.h"
#include "base/ColladaInstanceCheck.h"
#include "base/RegularFileReader.h"
#include "base/XmlElements.h"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>

namespace {

ColladaPreCheck::Verdict unreadable(const std::string& path, RegularFileReader::Outcome outcome)
{
    if (outcome == RegularFileReader::Outcome::TooLarge) {
        return {false, "is larger than " + std::to_string(ColladaPreCheck::maxDocumentBytes >> 20) + " MiB"};
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        return {false, ""};
    }
    return {false, std::filesystem::is_regular_file(status) ? "cannot be read" : "is no regular file"};
}

std::size_t elementDepth(const pugi::xml_node& collada)
{
    std::size_t deepest = 0;
    XmlElements::forEachBelow(collada, [&deepest](const pugi::xml_node&, std::size_t depth) {
        deepest = std::max(deepest, depth);
    });
    return deepest + 1;
}

// The first reason of the checks, cheapest first.
std::string problemOf(const pugi::xml_node& collada)
{
    if (elementDepth(collada) > ColladaPreCheck::maxElementDepth) {
        return "nests elements more than " + std::to_string(ColladaPreCheck::maxElementDepth) + " deep";
    }
    std::string problem = ColladaChainCheck::problem(collada);
    if (problem.empty()) {
        problem = ColladaInstanceCheck::problem(collada);
    }
    return problem.empty() ? ColladaDataCheck::problem(collada) : problem;
}

} // namespace

ColladaPreCheck::Verdict ColladaPreCheck::check(const std::string& path)
{
    RegularFileReader::Result file = RegularFileReader::read(path, maxDocumentBytes);
    if (file.outcome != RegularFileReader::Outcome::Read) {
        return unreadable(path, file.outcome);
    }
    // Assimp parses the file as a C string of UTF-8: nothing after a NUL
    // byte is part of the document it sees.
    std::string& text = file.contents;
    text.resize(std::min(text.find('\0'), text.size()));
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer_inplace(text.data(), text.size(), pugi::parse_full, pugi::encoding_utf8);
    if (parsed.status == pugi::status_out_of_memory) {
        return {false, "needs more memory to be checked than it may take"};
    }
    const pugi::xml_node collada = document.child("COLLADA");
    if (!parsed || !collada) {
        return {};
    }
    std::string problem = problemOf(collada);
    return {problem.empty(), std::move(problem)};
}
