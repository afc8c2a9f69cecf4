#include <GL/glew.h>

#include "SceneTest.h"

#include "ImageForgery.h"

#include "app/Application.h"
#include "scene/Model3D.h"

#include <filesystem>
#include <fstream>
#include <sstream>

std::string SceneTest::dataFileContent(const std::string& dataFile)
{
    std::ifstream file(std::filesystem::path(GLIMMERHALL_SOURCE_DIR) / "tests/scene/data" / dataFile);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void SceneTest::installAsset(const std::string& dataFile, const std::string& assetName) const
{
    const std::string content = dataFileContent(dataFile);
    ASSERT_FALSE(content.empty()) << dataFile;
    workspace.write("res/assets/" + assetName, content);
}

void SceneTest::writeImage(const std::string& fileName, std::array<std::uint8_t, 4> rgba) const
{
    const std::filesystem::path path = workspace.path() / "res/texture" / fileName;
    ASSERT_TRUE(ImageForgery::writeSolid(path, rgba)) << path;
}

PixelShader* SceneTest::addProgram(const std::string& name, const std::string& vertexSource,
                                   const std::string& fragmentSource, BaseLight* light) const
{
    workspace.write("shader/" + name + ".vert", vertexSource);
    workspace.write("shader/" + name + ".frag", fragmentSource);
    return app.shaderManager.addShader(name, name + ".vert", name + ".frag", light);
}

std::unique_ptr<Model3D> SceneTest::importModel(const std::string& dataFile, PixelShader* program) const
{
    installAsset(dataFile);
    auto model = std::make_unique<Model3D>(program, 0.2f, 7.0f, glm::vec3(0.0f), glm::vec3(1.0f), 0.0f,
                                           glm::vec3(1.0f));
    return model->load(dataFile) ? std::move(model) : nullptr;
}

namespace {

template <typename T>
std::vector<T> readBuffer(unsigned int buffer)
{
    glBindBuffer(GL_COPY_READ_BUFFER, buffer);
    GLint size = 0;
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &size);
    std::vector<T> values(static_cast<std::size_t>(size) / sizeof(T));
    glGetBufferSubData(GL_COPY_READ_BUFFER, 0, size, values.data());
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return values;
}

} // namespace

std::vector<float> readFloats(unsigned int buffer)
{
    return readBuffer<float>(buffer);
}

std::vector<std::uint32_t> readIndices(unsigned int buffer)
{
    return readBuffer<std::uint32_t>(buffer);
}
