#include "base/ColladaPreCheck.h"

#include "base/RegularFileReader.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace {

using Element = pugi::xml_node;
using ElementsByKey = std::map<std::string, Element>;

// Where Assimp looks up what an <instance_node url="#key"> refers to: first
// the top-level nodes of every <library_nodes> and the <visual_scene>s by
// id, a later one taking the place of an earlier one; then, failing that,
// the scene it builds and everything nested in it by id or name, the first
// in document order winning.
struct NodeLibrary {
    ElementsByKey byId;
    Element scene;
    ElementsByKey inScene;
};

bool named(const Element& element, const char* name)
{
    return std::strcmp(element.name(), name) == 0;
}

// Assimp calls a visual scene without a name "Scene".
std::string nameOf(const Element& element)
{
    const pugi::xml_attribute name = element.attribute("name");
    return !name && named(element, "visual_scene") ? "Scene" : name.value();
}

Element lookUp(const char* url, const ElementsByKey& elements)
{
    if (url[0] != '#') {
        return {};
    }
    const auto found = elements.find(url + 1);
    return found != elements.end() ? found->second : Element();
}

void addById(const Element& section, const char* kind, ElementsByKey& byId)
{
    for (const Element& entry : section.children(kind)) {
        byId[entry.attribute("id").value()] = entry;
    }
}

// The scene and its nested nodes, walked depth first with a stack of its
// own: the first element to carry an id or a name keeps it.
ElementsByKey byIdOrNameInScene(const Element& scene)
{
    ElementsByKey found;
    std::vector<Element> pending{scene};
    while (!pending.empty()) {
        const Element element = pending.back();
        pending.pop_back();
        found.emplace(element.attribute("id").value(), element);
        found.emplace(nameOf(element), element);
        const auto nested = element.children("node");
        const std::vector<Element> children(nested.begin(), nested.end());
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return found;
}

// The scene is looked up when <scene> is read, among what came before it.
NodeLibrary readNodeLibrary(const Element& collada)
{
    NodeLibrary library;
    for (const Element& section : collada.children()) {
        if (named(section, "library_nodes")) {
            addById(section, "node", library.byId);
        } else if (named(section, "library_visual_scenes")) {
            addById(section, "visual_scene", library.byId);
        } else if (named(section, "scene") && !library.scene) {
            library.scene = lookUp(section.child("instance_visual_scene").attribute("url").value(), library.byId);
        }
    }
    if (library.scene) {
        library.inScene = byIdOrNameInScene(library.scene);
    }
    return library;
}

Element referredTo(const Element& instance, const NodeLibrary& library)
{
    const char* url = instance.attribute("url").value();
    const Element inLibrary = lookUp(url, library.byId);
    return inLibrary ? inLibrary : lookUp(url, library.inScene);
}

// What Assimp builds below an element: its nested nodes and the nodes its
// instances refer to.
std::vector<Element> builtBelow(const Element& element, const NodeLibrary& library)
{
    std::vector<Element> below;
    for (const Element& child : element.children()) {
        if (named(child, "node")) {
            below.push_back(child);
        } else if (named(child, "instance_node")) {
            const Element target = referredTo(child, library);
            if (target) {
                below.push_back(target);
            }
        }
    }
    return below;
}

// Depth first from the scene, with a stack of its own so that a deeply
// nested document cannot overflow this one either. An element met again
// while it is still being walked closes a cycle.
bool instancesItself(const NodeLibrary& library)
{
    struct Visit {
        Element element;
        std::vector<Element> below;
        std::size_t walked = 0;
    };
    std::vector<Visit> path{{library.scene, builtBelow(library.scene, library)}};
    std::set<Element> onPath{library.scene};
    std::set<Element> finished;
    while (!path.empty()) {
        Visit& current = path.back();
        if (current.walked == current.below.size()) {
            onPath.erase(current.element);
            finished.insert(current.element);
            path.pop_back();
            continue;
        }
        const Element next = current.below[current.walked++];
        if (onPath.count(next) != 0) {
            return true;
        }
        if (finished.count(next) == 0) {
            onPath.insert(next);
            path.push_back({next, builtBelow(next, library)});
        }
    }
    return false;
}

} // namespace

bool ColladaPreCheck::isSafeToImport(const std::string& path)
{
    RegularFileReader::Result file = RegularFileReader::read(path, maxDocumentBytes);
    if (file.outcome != RegularFileReader::Outcome::Read) {
        return false;
    }
    // Assimp parses the file as a C string of UTF-8: nothing after a NUL
    // byte is part of the document it sees.
    std::string& text = file.contents;
    text.resize(std::min(text.find('\0'), text.size()));
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer_inplace(text.data(), text.size(), pugi::parse_full, pugi::encoding_utf8);
    if (parsed.status == pugi::status_out_of_memory) {
        return false;
    }
    const Element collada = document.child("COLLADA");
    if (!parsed || !collada) {
        return true;
    }
    const NodeLibrary library = readNodeLibrary(collada);
    return !library.scene || !instancesItself(library);
}
