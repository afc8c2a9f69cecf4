#include "lighting/LightRegistry.h"

#include "gpu/ShadowPassNames.h"
#include "lighting/DirectionalLight.h"
#include "lighting/PointLight.h"

BaseLight* LightRegistry::addLight(const std::string& name, std::unique_ptr<BaseLight> light)
{
    // A light offered under a taken name dies with this call.
    if (BaseLight* registered = lights.existing(name)) {
        return registered;
    }
    BaseLight* added = lights.insert(name, std::move(light));
    Log::info(component, "Light '" + name + "' added successfully");
    return added;
}

BaseLight* LightRegistry::getLight(const std::string& name) const
{
    return lights.get(name);
}

void LightRegistry::updateLights(double dt)
{
    lights.forEach([dt](BaseLight& light) { light.update(dt); });
}

void LightRegistry::loadLights()
{
    const glm::vec3 white(1.0f);
    addLight("directional", std::make_unique<DirectionalLight>(white, 0.15f, 0.2f, glm::vec3(0.0f, 1000.0f, 0.0f)));
    addLight(ShadowPassNames::light,
             std::make_unique<PointLight>(white, 0.15f, 0.3f, 1.0f, 0.001f, 0.001f, "point_light.dae"));
}

void LightRegistry::cleanUp()
{
    lights.clear();
}
