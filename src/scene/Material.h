#pragma once

class Texture;

// A mesh's colour texture (unit 0, "textureMap") and normal map (unit 1,
// "normalMap"). Either may be missing when its image could not be loaded;
// binding then skips it.
class Material {
public:
    Material(Texture* diffuseTexture, Texture* normalTexture);

    void bind() const;
    void unbind() const;

    // Not owned.
    Texture* diffuseTexture;
    Texture* normalTexture;
};
