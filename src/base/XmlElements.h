#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <cstring>

// Walks of a parsed XML document that take no stack of their own, however
// deep the document nests: pugixml's traversal climbs back up through the
// parent links.
namespace XmlElements {

// Calls visit(element, depth) for every element below the node, in
// document order; depth 1 for the node's children.
template <typename Visit>
void forEachBelow(pugi::xml_node node, Visit visit)
{
    struct Walker : pugi::xml_tree_walker {
        explicit Walker(Visit& visit) : visit(visit) {}
        bool for_each(pugi::xml_node& element) override
        {
            if (element.type() == pugi::node_element) {
                visit(element, static_cast<std::size_t>(depth()) + 1);
            }
            return true;
        }
        Visit& visit;
    } walker(visit);
    node.traverse(walker);
}

// The same, for the elements of one name.
template <typename Visit>
void forEachNamedBelow(pugi::xml_node node, const char* name, Visit visit)
{
    forEachBelow(node, [name, &visit](pugi::xml_node element, std::size_t) {
        if (std::strcmp(element.name(), name) == 0) {
            visit(element);
        }
    });
}

} // namespace XmlElements
