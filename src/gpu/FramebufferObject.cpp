#include "gpu/FramebufferObject.h"

#include "base/Log.h"
#include "gpu/DefaultFramebuffer.h"
#include "gpu/Texture.h"
#include "gpu/TextureManager.h"

#include <GL/glew.h>

namespace {

const char* const component = "FramebufferObject";

// The name of an incomplete status, or null for one that has none.
const char* incompleteStatusName(GLenum status)
{
    switch (status) {
    case GL_FRAMEBUFFER_UNDEFINED:
        return "GL_FRAMEBUFFER_UNDEFINED";
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT:
        return "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT:
        return "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER:
        return "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER:
        return "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER";
    case GL_FRAMEBUFFER_UNSUPPORTED:
        return "GL_FRAMEBUFFER_UNSUPPORTED";
    case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE:
        return "GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE";
    case GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS:
        return "GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS";
    default:
        return nullptr;
    }
}

void logStatus(GLenum status)
{
    if (status == GL_FRAMEBUFFER_COMPLETE) {
        Log::info(component, "FBO is complete");
    } else if (const char* name = incompleteStatusName(status)) {
        Log::error(component, name);
    }
}

} // namespace

FramebufferObject::FramebufferObject(TextureManager& textures) : textures(textures)
{
}

void FramebufferObject::attachDepthCubemap(const Texture& colourTexture) const
{
    const Texture* depth =
        textures.addDepthCubemap("fboDepthmap", colourTexture.width, colourTexture.height, 3, "depthMap");
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, depth->id, 0);
}

void FramebufferObject::create(Texture* texture, unsigned int attachment)
{
    attachedTexture = texture;
    glGenFramebuffers(1, &framebufferId);
    glBindFramebuffer(GL_FRAMEBUFFER, framebufferId);
    // Attaching the whole cube map makes it layered, so one pass can reach
    // all six faces through a geometry shader.
    glFramebufferTexture(GL_FRAMEBUFFER, attachment, texture->id, 0);

    if (attachment == GL_COLOR_ATTACHMENT0) {
        const GLenum drawBuffers[] = {GL_COLOR_ATTACHMENT0};
        glDrawBuffers(1, drawBuffers);
        attachDepthCubemap(*texture);
    } else if (attachment == GL_DEPTH_ATTACHMENT) {
        glDrawBuffer(GL_NONE);
    } else {
        Log::error(component, "Unknown attachment");
    }
    glReadBuffer(GL_NONE);

    logStatus(glCheckFramebufferStatus(GL_FRAMEBUFFER));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void FramebufferObject::bind() const
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebufferId);
    glViewport(0, 0, attachedTexture->width, attachedTexture->height);
}

void FramebufferObject::unbind() const
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    DefaultFramebuffer::resetViewport();
}
