#include <GL/glew.h>

#include "SixPassShadow.h"

#include "RawScene.h"

#include "gpu/PixelShader.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

SixPassShadow::SixPassShadow(const PixelShader& shader, const RawScene& scene)
    : program(shader.program), faceMatrixLocation(shader.getUniformLocation("faceMatrix")),
      modelMatrixLocation(shader.getUniformLocation("modelMatrix")),
      lightPositionLocation(shader.getUniformLocation("lightPosition"))
{
    glGenFramebuffers(static_cast<GLsizei>(faceFramebuffers.size()), faceFramebuffers.data());
    for (std::size_t face = 0; face < faceFramebuffers.size(); ++face) {
        glBindFramebuffer(GL_FRAMEBUFFER, faceFramebuffers[face]);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                               GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face), scene.shadowCubemap(),
                               0);
        glDrawBuffer(GL_NONE);
        glReadBuffer(GL_NONE);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const int nearFarLocation = shader.getUniformLocation("nearFarPlane");
    if (nearFarLocation >= 0) {
        glProgramUniform2fv(program, nearFarLocation, 1, scene.nearFarPlane().data());
    }
}

SixPassShadow::~SixPassShadow()
{
    glDeleteFramebuffers(static_cast<GLsizei>(faceFramebuffers.size()), faceFramebuffers.data());
}

void SixPassShadow::render(const RawScene& scene) const
{
    glViewport(0, 0, scene.shadowMapSize(), scene.shadowMapSize());
    glUseProgram(program);
    if (lightPositionLocation >= 0) {
        glUniform3fv(lightPositionLocation, 1, glm::value_ptr(scene.lightPosition()));
    }
    const glm::mat4 towardsLight = glm::translate(glm::mat4(1.0f), -scene.lightPosition());
    for (std::size_t face = 0; face < faceFramebuffers.size(); ++face) {
        glBindFramebuffer(GL_FRAMEBUFFER, faceFramebuffers[face]);
        glClear(GL_DEPTH_BUFFER_BIT);
        const glm::mat4 faceMatrix = scene.faceProjections()[face] * towardsLight;
        glUniformMatrix4fv(faceMatrixLocation, 1, GL_FALSE, glm::value_ptr(faceMatrix));
        scene.drawDepthGeometry(modelMatrixLocation);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    scene.restoreWindowViewport();
}
