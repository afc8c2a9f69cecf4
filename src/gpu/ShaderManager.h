#pragma once

#include "base/Registry.h"
#include "gpu/PixelShader.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

class BaseLight;

// Builds GL programs from GLSL files in the shader directory and keeps them
// by name for the whole run.
class ShaderManager {
public:
    // The component of every log line the manager writes.
    static constexpr const char* component = "ShaderManager";

    // The light registered under a name, or null after the registry's line.
    using LightLookup = std::function<BaseLight*(const std::string& name)>;

    // The catalogue ties its programs to the lights that lookup finds; it is
    // asked only while loadShaders runs.
    ShaderManager(std::string shaderDirectory, LightLookup lookUpLight);

    // The program registered under name: built from the files when the name
    // is new, the registered one when it is taken, null when a stage fails to
    // compile or the program fails to link or validate.
    PixelShader* addShader(const std::string& name, const std::string& vertexFile, const std::string& fragmentFile,
                           BaseLight* light);
    PixelShader* addShader(const std::string& name, const std::string& vertexFile, const std::string& geometryFile,
                           const std::string& fragmentFile, BaseLight* light);
    // Reads and compiles one source file, without the NUL bytes that may pad
    // its end; shader receives the new shader object whenever one was made,
    // also on failure, and 0 for a source holding text after a NUL byte,
    // which is refused before any object is made.
    bool compileShaderFile(unsigned int type, const std::string& fileName, unsigned int& shader) const;
    PixelShader* getShader(const std::string& name) const;
    // Builds the scene's fixed catalogue of programs, each lit one tied to
    // its light by name.
    void loadShaders();
    void cleanUp();

private:
    struct Stage {
        unsigned int type;
        const std::string& fileName;
        unsigned int& shader;
    };

    // Compiles the stages in order and stops at the first that fails, whose
    // shader objects made so far it then deletes.
    bool compileStages(std::initializer_list<Stage> stages) const;
    PixelShader* registerProgram(const std::string& name, std::unique_ptr<PixelShader> shader);

    std::string shaderDirectory;
    LightLookup lookUpLight;
    Registry<PixelShader> shaders{component, "Shader"};
};
