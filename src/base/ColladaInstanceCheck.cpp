#include "base/ColladaInstanceCheck.h"

#include "base/XmlElements.h"

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

std::string keyOf(const Element& element)
{
    const pugi::xml_attribute id = element.attribute("id");
    return id ? id.value() : nameOf(element);
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

// The scene and its nested nodes, in document order: the first element to
// carry an id or a name keeps it.
ElementsByKey byIdOrNameInScene(const Element& scene)
{
    ElementsByKey found;
    const auto add = [&found](const Element& element) {
        found.emplace(element.attribute("id").value(), element);
        found.emplace(nameOf(element), element);
    };
    add(scene);
    XmlElements::forEachNamedBelow(scene, "node", add);
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

// The tree built from an element: its depth, and its nodes, each counted
// for every time it is built. Counts stop growing at a bound that no sum of
// two of them can overflow.
constexpr std::uint64_t countBound = std::uint64_t{1} << 62;

struct Built {
    std::size_t depth = 1;
    std::uint64_t nodes = 1;
};

// Depth first from the scene, with a stack of its own so that a deeply
// nested document cannot overflow this one either. An element met again
// while it is still being walked closes a cycle; one met again after it was
// walked is built once more from what is known of it.
class TreeWalk {
public:
    explicit TreeWalk(const NodeLibrary& library) : library(library) {}

    std::string problem()
    {
        enter(library.scene);
        while (!path.empty()) {
            Visit& current = path.back();
            if (current.walked == current.below.size()) {
                finish(current);
                path.pop_back();
                continue;
            }
            const Element next = current.below[current.walked++];
            if (onPath.count(next) != 0) {
                return "instances node '" + keyOf(next) + "' inside itself";
            }
            if (built.count(next) == 0) {
                if (path.size() == ColladaInstanceCheck::maxDepth) {
                    return tooDeep();
                }
                enter(next);
            }
        }
        const Built& scene = built.at(library.scene);
        if (scene.depth > ColladaInstanceCheck::maxDepth) {
            return tooDeep();
        }
        if (scene.nodes > built.size() + ColladaInstanceCheck::maxInstancedNodes) {
            return "builds more than " + std::to_string(ColladaInstanceCheck::maxInstancedNodes) +
                   " nodes beyond those it holds, through <instance_node>";
        }
        return {};
    }

private:
    struct Visit {
        Element element;
        std::vector<Element> below;
        std::size_t walked = 0;
    };

    static std::string tooDeep()
    {
        return "nests nodes more than " + std::to_string(ColladaInstanceCheck::maxDepth) + " deep";
    }

    void enter(const Element& element)
    {
        onPath.insert(element);
        path.push_back({element, builtBelow(element, library)});
    }

    void finish(const Visit& visit)
    {
        Built tree;
        for (const Element& child : visit.below) {
            const Built& below = built.at(child);
            tree.depth = std::max(tree.depth, below.depth + 1);
            tree.nodes = std::min(tree.nodes + below.nodes, countBound);
        }
        onPath.erase(visit.element);
        built[visit.element] = tree;
    }

    const NodeLibrary& library;
    std::vector<Visit> path;
    std::set<Element> onPath;
    std::map<Element, Built> built;
};

} // namespace

std::string ColladaInstanceCheck::problem(const pugi::xml_node& collada)
{
    const NodeLibrary library = readNodeLibrary(collada);
    return library.scene ? TreeWalk(library).problem() : std::string();
}
