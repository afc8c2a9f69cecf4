#include "base/ColladaChainCheck.h"

#include "base/XmlElements.h"

#include <cstring>
#include <map>
#include <optional>
#include <set>

namespace {

using Element = pugi::xml_node;
// Each name leads to at most one next name.
using Links = std::map<std::string, std::string>;

bool named(const Element& element, const char* name)
{
    return std::strcmp(element.name(), name) == 0;
}

// Follows chains through the links, each name at most once over all the
// chains it is asked about.
class ChainWalk {
public:
    explicit ChainWalk(const Links& links) : links(links) {}

    // The first name of the chain from start that comes round again.
    std::optional<std::string> loopFrom(const std::string& start)
    {
        std::set<std::string> passed;
        for (auto at = links.find(start); at != links.end() && ends.count(at->first) == 0;
             at = links.find(at->second)) {
            if (!passed.insert(at->first).second) {
                return at->first;
            }
        }
        ends.insert(passed.begin(), passed.end());
        return std::nullopt;
    }

private:
    const Links& links;
    // Names whose chain is known to end.
    std::set<std::string> ends;
};

// A controller's source as Assimp keeps it: a skin's without its leading
// character, a morph's as it stands; the last one in the controller wins.
std::string controllerSource(const Element& controller)
{
    std::string source;
    XmlElements::forEachBelow(controller, [&source](const Element& element, std::size_t) {
        if (named(element, "morph")) {
            source = element.attribute("source").value();
        } else if (named(element, "skin") && element.attribute("source")) {
            const std::string value = element.attribute("source").value();
            source = value.empty() ? value : value.substr(1);
        }
    });
    return source;
}

std::string controllerProblem(const Element& collada)
{
    Links sources;
    for (const Element& library : collada.children("library_controllers")) {
        for (const Element& controller : library.children("controller")) {
            if (controller.attribute("id")) {
                sources[controller.attribute("id").value()] = controllerSource(controller);
            }
        }
    }
    ChainWalk walk(sources);
    for (const auto& [id, source] : sources) {
        if (const std::optional<std::string> loop = walk.loopFrom(id)) {
            return "has controller '" + *loop + "' whose source leads back to itself";
        }
    }
    return {};
}

// What a parameter of an effect names, as Assimp reads it: a surface's
// <init_from>, or a sampler's <source> (or, in Collada 1.5, the image its
// <sampler2D> refers to); the last one in the parameter wins.
std::string parameterReference(const Element& parameter, bool collada15)
{
    std::string reference;
    XmlElements::forEachBelow(parameter, [&reference, collada15](const Element& element, std::size_t) {
        if (named(element, "surface") && element.child("init_from")) {
            reference = element.child("init_from").text().as_string();
        } else if (named(element, "sampler2D")) {
            const std::string url = element.attribute("url").value();
            reference = collada15 && !url.empty() ? url.substr(1) : std::string();
        } else if (named(element, "source")) {
            reference = element.child_value();
        }
    });
    return reference;
}

Links effectParameters(const Element& effect, bool collada15)
{
    Links parameters;
    for (const Element& profile : effect.children("profile_COMMON")) {
        XmlElements::forEachNamedBelow(profile, "newparam", [&parameters, collada15](const Element& parameter) {
            parameters[parameter.attribute("sid").value()] = parameterReference(parameter, collada15);
        });
    }
    return parameters;
}

std::set<std::string> effectsInUse(const Element& collada)
{
    std::set<std::string> used;
    for (const Element& library : collada.children("library_materials")) {
        for (const Element& material : library.children("material")) {
            const char* url = material.child("instance_effect").attribute("url").value();
            if (url[0] == '#') {
                used.insert(url + 1);
            }
        }
    }
    return used;
}

// The parameter where a chain from one of the effect's textures comes round
// again; empty when every chain ends.
std::string textureLoop(const Element& effect, bool collada15)
{
    const Links parameters = effectParameters(effect, collada15);
    ChainWalk walk(parameters);
    std::string loop;
    XmlElements::forEachNamedBelow(effect, "texture", [&walk, &loop](const Element& texture) {
        const std::optional<std::string> found = walk.loopFrom(texture.attribute("texture").value());
        if (found && loop.empty()) {
            loop = *found;
        }
    });
    return loop;
}

std::string effectProblem(const Element& collada)
{
    const bool collada15 = std::strncmp(collada.attribute("version").value(), "1.5", 3) == 0;
    const std::set<std::string> used = effectsInUse(collada);
    std::map<std::string, Element> effects;
    for (const Element& library : collada.children("library_effects")) {
        for (const Element& effect : library.children("effect")) {
            effects[effect.attribute("id").value()] = effect;
        }
    }
    for (const auto& entry : effects) {
        if (used.count(entry.first) == 0) {
            continue;
        }
        if (std::string problem = textureLoop(entry.second, collada15); !problem.empty()) {
            return "has effect '" + entry.first + "' whose parameter '" + problem + "' leads back to itself";
        }
    }
    return {};
}

} // namespace

std::string ColladaChainCheck::problem(const pugi::xml_node& collada)
{
    const std::string controllers = controllerProblem(collada);
    return controllers.empty() ? effectProblem(collada) : controllers;
}
