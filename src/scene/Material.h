#pragma once

class Texture;

// A mesh's colour texture (unit 0, "textureMap") and normal map (unit 1,
// "normalMap"). A slot is empty only when not even the default image could
// be loaded; binding then leaves its unit empty rather than letting the mesh
// sample whatever the previous draw left there.
class Material {
public:
    Material(Texture* diffuseTexture, Texture* normalTexture);

    void bind() const;
    void unbind() const;

    // Not owned.
    Texture* diffuseTexture;
    Texture* normalTexture;
};
