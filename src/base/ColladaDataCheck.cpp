#include "base/ColladaDataCheck.h"

#include "base/XmlElements.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace {

using Element = pugi::xml_node;

// Assimp reads these three kinds of data array, by id, a later one taking
// the place of an earlier one; each holds the number of values its count
// attribute claims, or the import fails.
struct DataArray {
    Element element;
    std::uint64_t count = 0;
};

// The sources' accessors, by the id of their <source>, as Assimp keeps
// them: the first <accessor> of a <technique_common>.
struct Document {
    std::map<std::string, DataArray> arrays;
    std::map<std::string, Element> accessors;
    std::map<std::string, Element> samplers;
};

bool isDataArray(const Element& element)
{
    const char* name = element.name();
    return std::strcmp(name, "float_array") == 0 || std::strcmp(name, "IDREF_array") == 0 ||
           std::strcmp(name, "Name_array") == 0;
}

Document index(const Element& collada)
{
    Document document;
    XmlElements::forEachBelow(collada, [&document](const Element& element, std::size_t) {
        if (isDataArray(element)) {
            document.arrays[element.attribute("id").value()] = {element, element.attribute("count").as_uint()};
        } else if (std::strcmp(element.name(), "source") == 0) {
            const Element accessor = element.child("technique_common").child("accessor");
            if (accessor) {
                document.accessors[element.attribute("id").value()] = accessor;
            }
        } else if (std::strcmp(element.name(), "sampler") == 0) {
            document.samplers[element.attribute("id").value()] = element;
        }
    });
    return document;
}

const DataArray* arrayOf(const Element& accessor, const Document& document)
{
    const char* source = accessor.attribute("source").value();
    if (source[0] != '#') {
        return nullptr;
    }
    const auto found = document.arrays.find(source + 1);
    return found != document.arrays.end() ? &found->second : nullptr;
}

// The last value of an element an accessor reads: the larger of the
// components its named parameters pick (X, Y, Z, R, G, B, A, S, T, P, U, V,
// by position among the parameters) and the values its typed parameters
// take (16 for a float4x4).
std::uint64_t lastComponent(const Element& accessor)
{
    constexpr std::array<const char*, 12> picked = {"X", "Y", "Z", "R", "G", "B", "A", "S", "T", "P", "U", "V"};
    std::uint64_t parameters = 0;
    std::uint64_t highestPick = 0;
    std::uint64_t size = 0;
    XmlElements::forEachNamedBelow(accessor, "param", [&](const Element& parameter) {
        const char* name = parameter.attribute("name").value();
        const auto isName = [name](const char* pick) { return std::strcmp(name, pick) == 0; };
        if (std::any_of(picked.begin(), picked.end(), isName)) {
            highestPick = std::max(highestPick, parameters);
        }
        if (parameter.attribute("type")) {
            size += std::strcmp(parameter.attribute("type").value(), "float4x4") == 0 ? 16 : 1;
        }
        ++parameters;
    });
    return std::max(highestPick, size > 0 ? size - 1 : 0);
}

// The position of the last value the accessor reads, or nothing when it
// lies beyond any array. Assimp reads the count as a signed number and
// keeps it unsigned, so a negative one is vast.
std::optional<std::uint64_t> lastRead(const Element& accessor)
{
    const auto count = static_cast<std::uint64_t>(static_cast<std::int64_t>(accessor.attribute("count").as_int()));
    const std::uint64_t offset = accessor.attribute("offset").as_uint();
    const std::uint64_t stride = accessor.attribute("stride").as_uint(1);
    std::uint64_t steps = 0;
    std::uint64_t last = 0;
    if (__builtin_mul_overflow(count - 1, stride, &steps) || __builtin_add_overflow(steps, offset, &last) ||
        __builtin_add_overflow(last, lastComponent(accessor), &last)) {
        return std::nullopt;
    }
    return last;
}

std::string accessorProblem(const Element& accessor, const Document& document)
{
    const DataArray* array = arrayOf(accessor, document);
    if (array == nullptr || accessor.attribute("count").as_int() == 0) {
        return {};
    }
    const std::optional<std::uint64_t> last = lastRead(accessor);
    if (last && *last < array->count) {
        return {};
    }
    return std::string("has an accessor that reads past the ") + std::to_string(array->count) +
           " values of its array '" + array->element.attribute("id").value() + "'";
}

const Element* inputOf(const Element& sampler, const char* semantic, const Document& document)
{
    for (const Element& input : sampler.children("input")) {
        const char* source = input.attribute("source").value();
        if (std::strcmp(input.attribute("semantic").value(), semantic) == 0 && source[0] == '#') {
            const auto found = document.accessors.find(source + 1);
            return found != document.accessors.end() ? &found->second : nullptr;
        }
    }
    return nullptr;
}

std::uint64_t keyCount(const Element& sampler, const Document& document)
{
    const Element* times = inputOf(sampler, "INPUT", document);
    return times != nullptr ? static_cast<std::uint64_t>(std::max(times->attribute("count").as_int(), 0)) : 0;
}

// The values of an accessor's first component, read from its array's text
// as far as they go.
std::vector<double> firstComponents(const Element& accessor, const DataArray& array)
{
    std::vector<double> all;
    const char* text = array.element.child_value();
    for (char* end = nullptr;; text = end) {
        const double value = std::strtod(text, &end);
        if (end == text) {
            break;
        }
        all.push_back(value);
    }
    std::vector<double> first;
    const std::uint64_t offset = accessor.attribute("offset").as_uint();
    const std::uint64_t stride = accessor.attribute("stride").as_uint(1);
    const auto count = static_cast<std::uint64_t>(std::max(accessor.attribute("count").as_int(), 0));
    for (std::uint64_t i = 0; i < count && offset + i * stride < all.size(); ++i) {
        first.push_back(all[offset + i * stride]);
    }
    return first;
}

// The keys Assimp makes of a rotation angle: one for every 90 degrees of a
// step of 180 degrees or more, besides the keys themselves. A step that is
// not finite never ends.
double sampledAngleKeys(const std::vector<double>& angles)
{
    double keys = static_cast<double>(angles.size());
    for (std::size_t k = 1; k < angles.size(); ++k) {
        const double step = std::fabs(angles[k] - angles[k - 1]);
        if (!(step < 180.0)) {
            keys += std::isfinite(step) ? std::floor(step / 90.0) : INFINITY;
        }
    }
    return keys;
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string keysProblem(const Element& channel, const Document& document)
{
    const char* source = channel.attribute("source").value();
    const auto sampler = source[0] == '#' ? document.samplers.find(source + 1) : document.samplers.end();
    if (sampler == document.samplers.end()) {
        return {};
    }
    const std::string target = channel.attribute("target").value();
    const std::uint64_t keys = keyCount(sampler->second, document);
    if (keys > ColladaDataCheck::maxKeys) {
        return "animates '" + target + "' with " + std::to_string(keys) + " keys, more than " +
               std::to_string(ColladaDataCheck::maxKeys);
    }
    const Element* values = inputOf(sampler->second, "OUTPUT", document);
    const DataArray* array = values != nullptr ? arrayOf(*values, document) : nullptr;
    if (!endsWith(target, ".ANGLE") || array == nullptr ||
        sampledAngleKeys(firstComponents(*values, *array)) <= static_cast<double>(ColladaDataCheck::maxKeys)) {
        return {};
    }
    return "turns '" + target + "' so far between keys that Assimp would sample it into more than " +
           std::to_string(ColladaDataCheck::maxKeys) + " keys";
}

} // namespace

std::string ColladaDataCheck::problem(const pugi::xml_node& collada)
{
    const Document document = index(collada);
    for (const auto& [source, accessor] : document.accessors) {
        if (std::string found = accessorProblem(accessor, document); !found.empty()) {
            return found;
        }
    }
    std::string found;
    XmlElements::forEachNamedBelow(collada, "channel", [&found, &document](const Element& channel) {
        if (found.empty()) {
            found = keysProblem(channel, document);
        }
    });
    return found;
}
