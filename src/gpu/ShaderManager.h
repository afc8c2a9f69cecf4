#pragma once

#include "app/Registry.h"
#include "gpu/PixelShader.h"

#include <string>

class BaseLight;

// Builds GL programs from GLSL files in the shader directory and keeps them
// by name for the whole run.
class ShaderManager {
public:
    explicit ShaderManager(std::string shaderDirectory);

    // The program registered under name: built from the files when the name
    // is new, the registered one when it is taken, null when a stage fails to
    // compile or the program fails to link or validate.
    PixelShader* addShader(const std::string& name, const std::string& vertexFile, const std::string& fragmentFile,
                           BaseLight* light);
    PixelShader* addShader(const std::string& name, const std::string& vertexFile, const std::string& geometryFile,
                           const std::string& fragmentFile, BaseLight* light);
    // Reads and compiles one source file; shader receives the new shader
    // object whenever one was made, also on failure.
    bool compileShaderFile(unsigned int type, const std::string& fileName, unsigned int& shader) const;
    PixelShader* getShader(const std::string& name) const;
    // Builds the scene's fixed catalogue of programs, each lit one tied to
    // its light by name.
    void loadShaders();
    void cleanUp();

private:
    std::string shaderDirectory;
    Registry<PixelShader> shaders{"ShaderManager", "Shader"};
};
