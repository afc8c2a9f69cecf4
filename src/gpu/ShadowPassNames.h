#pragma once

// What the shadow pass and the main pass that samples its result agree on by
// name: the depth cube map in the texture manager, the sampler and unit it is
// bound to, the program of the pass and the light it looks from.
struct ShadowPassNames {
    static constexpr const char* cubemap = "fboCubemap";
    static constexpr const char* cubemapSampler = "cubeMap";
    static constexpr int cubemapUnit = 2;
    static constexpr const char* program = "shadowmap";
    static constexpr const char* light = "point";
};
