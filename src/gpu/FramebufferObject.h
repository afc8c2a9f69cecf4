#pragma once

class Texture;
class TextureManager;

// A framebuffer object that renders into a texture of the texture manager.
class FramebufferObject {
public:
    // A colour target gets its depth cube map from the texture manager.
    explicit FramebufferObject(TextureManager& textures);

    // Attaches the whole texture (all six faces of a cube map, layered) at
    // GL_DEPTH_ATTACHMENT or GL_COLOR_ATTACHMENT0 and logs the completeness.
    void create(Texture* texture, unsigned int attachment);
    // Draws into the texture, with the viewport at its size.
    void bind() const;
    // Draws into the window again, with the viewport at its size.
    void unbind() const;

    unsigned int framebufferId = 0;
    // Not owned.
    Texture* attachedTexture = nullptr;

private:
    // A colour target needs a depth buffer of its own shape to depth-test
    // against; the manager hands every colour-attached object the same one.
    void attachDepthCubemap(const Texture& colourTexture) const;

    TextureManager& textures;
};
