#pragma once

#include "base/Log.h"

#include <map>
#include <memory>
#include <string>

// A registry of owned objects under unique names, kept and walked in
// ascending byte-wise order of the names. Its two log lines name the writing
// component and the kind of object held ("Shader", "Texture", ...).
template <typename T>
class Registry {
public:
    Registry(std::string component, std::string noun)
        : component(std::move(component)), noun(std::move(noun))
    {
    }

    // The object under name, or null; says nothing.
    T* find(const std::string& name) const
    {
        const auto found = entries.find(name);
        return found == entries.end() ? nullptr : found->second.get();
    }

    // The object under name, or null after the "does not exist in map" line.
    T* get(const std::string& name) const
    {
        T* object = find(name);
        if (object == nullptr) {
            Log::error(component, noun + " '" + name + "' does not exist in map");
        }
        return object;
    }

    // The object under name after the "already exists" line, or null when
    // the name is free.
    T* existing(const std::string& name) const
    {
        T* object = find(name);
        if (object != nullptr) {
            Log::info(component, noun + " '" + name + "' already exists");
        }
        return object;
    }

    // Registers object under a name that is free.
    T* insert(const std::string& name, std::unique_ptr<T> object)
    {
        T* registered = object.get();
        entries.emplace(name, std::move(object));
        return registered;
    }

    template <typename Visit>
    void forEach(Visit visit) const
    {
        for (const auto& [name, object] : entries) {
            visit(*object);
        }
    }

    // Destroys the objects in name order and empties the registry.
    void clear()
    {
        for (auto& [name, object] : entries) {
            object.reset();
        }
        entries.clear();
    }

    std::size_t size() const { return entries.size(); }

private:
    std::string component;
    std::string noun;
    std::map<std::string, std::unique_ptr<T>> entries;
};
