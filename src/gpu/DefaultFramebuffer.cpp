#include <GL/glew.h>

#include "gpu/DefaultFramebuffer.h"

#include <GLFW/glfw3.h>

void DefaultFramebuffer::clear()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void DefaultFramebuffer::resetViewport()
{
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(glfwGetCurrentContext(), &width, &height);
    glViewport(0, 0, width, height);
}

void DefaultFramebuffer::swapBuffers()
{
    glfwSwapBuffers(glfwGetCurrentContext());
}
