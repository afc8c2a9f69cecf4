#pragma once

class Texture;

// A mesh's colour texture (unit 0, "textureMap") and normal map (unit 1,
// "normalMap"). Each slot binds its texture on the slot's own unit, whatever
// unit the texture was made for: one image can be one material's colour and
// another's normal map. A slot is empty only when not even the default image
// could be loaded; binding then leaves its unit empty rather than letting
// the mesh sample whatever the previous draw left there.
class Material {
public:
    static constexpr int colourUnit = 0;
    static constexpr const char* colourSampler = "textureMap";
    static constexpr int normalMapUnit = 1;
    static constexpr const char* normalMapSampler = "normalMap";

    Material(Texture* diffuseTexture, Texture* normalTexture);

    void bind() const;
    void unbind() const;

    // Not owned.
    Texture* diffuseTexture;
    Texture* normalTexture;
};
