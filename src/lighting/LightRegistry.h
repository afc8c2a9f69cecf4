#pragma once

#include "base/Registry.h"
#include "lighting/BaseLight.h"

#include <memory>
#include <string>

// The scene's lights under short names, so programs can be tied to a light
// by name and every light advanced once per frame in ascending name order.
class LightRegistry {
public:
    // Registers the light; when the name is taken, the registered light
    // stays and the offered one is released.
    BaseLight* addLight(const std::string& name, std::unique_ptr<BaseLight> light);
    BaseLight* getLight(const std::string& name) const;
    void updateLights(double dt);
    // Creates the scene's two lights, "directional" and "point".
    void loadLights();
    // Destroys every light in name order.
    void cleanUp();

    // The component of the registry's log lines.
    static constexpr const char* component = "Lights";

private:
    Registry<BaseLight> lights{component, "Light"};
};
