#include "gpu/ShaderManager.h"

#include "base/Log.h"
#include "base/RegularFileReader.h"
#include "gpu/GeometryPixelShader.h"
#include "gpu/ShadowPassNames.h"

#include <GL/glew.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace {

constexpr const char* component = ShaderManager::component;

// One program of the scene's catalogue. Programs without a geometry stage
// have a null geometry file; unlit programs have a null light name.
struct CatalogueEntry {
    const char* name;
    const char* vertexFile;
    const char* geometryFile;
    const char* fragmentFile;
    const char* lightName;
};

// The light the shadow pass looks from lights the _point programs too.
constexpr const char* pointLight = ShadowPassNames::light;

// The suffix names the light (_dir, _point); bp marks a lit program, tex a
// diffuse texture, nm a normal map, sm the point light's shadow cube map and
// var the alternative shadow encoding.
const CatalogueEntry catalogue[] = {
    {"tex_nolight", "tex_nolight.vert", nullptr, "tex_nolight.frag", nullptr},
    {"bptex_dir", "bptex_base.vert", nullptr, "bptex_dir.frag", "directional"},
    {"bptex_point", "bptex_base.vert", nullptr, "bptex_point.frag", pointLight},
    {"nmbptex_dir", "nmbptex_base.vert", nullptr, "nmbptex_dir.frag", "directional"},
    {"nmbptex_point", "nmbptex_base.vert", nullptr, "nmbptex_point.frag", pointLight},
    {"smbptex_point", "smbptex_base.vert", nullptr, "smbptex_point.frag", pointLight},
    {"smnmbptex_point", "smnmbptex_base.vert", nullptr, "smnmbptex_point.frag", pointLight},
    {"varsmnmbptex_point", "smnmbptex_base.vert", nullptr, "varsmnmbptex_point.frag", pointLight},
    {ShadowPassNames::program, "shadowmap.vert", "shadowmap.geom", "shadowmap.frag", pointLight},
    {"varshadowmap", "shadowmap.vert", "shadowmap.geom", "varshadowmap.frag", pointLight},
};

// Drivers end their info logs with line ends of their own; the log line adds
// the one that ends the entry.
std::string withoutTrailingLineEnds(std::string log)
{
    while (!log.empty() && (log.back() == '\n' || log.back() == '\r' || log.back() == '\0')) {
        log.pop_back();
    }
    return log;
}

GLint shaderParameter(GLuint shader, GLenum parameter)
{
    GLint value = 0;
    glGetShaderiv(shader, parameter, &value);
    return value;
}

GLint programParameter(GLuint program, GLenum parameter)
{
    GLint value = 0;
    glGetProgramiv(program, parameter, &value);
    return value;
}

// The log is fetched into a buffer of exactly the length the driver reported.
std::string shaderInfoLog(GLuint shader, GLint length)
{
    std::string log(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        glGetShaderInfoLog(shader, length, nullptr, log.data());
    }
    return withoutTrailingLineEnds(log);
}

std::string programInfoLog(GLuint program, GLint length)
{
    std::string log(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        glGetProgramInfoLog(program, length, nullptr, log.data());
    }
    return withoutTrailingLineEnds(log);
}

// Hand-written shaders run to a few kilobytes; the limit keeps a runaway
// file (a sparse one can claim terabytes) from taking the memory.
constexpr std::uintmax_t maxSourceBytes = std::uintmax_t{64} << 20;

// A file that cannot be read gives an empty source: the build goes on and
// fails where the driver rejects it.
std::string readSource(const std::string& path, const std::string& fileName)
{
    RegularFileReader::Result file = RegularFileReader::read(path, maxSourceBytes);
    if (file.outcome == RegularFileReader::Outcome::Read) {
        return std::move(file.contents);
    }
    if (file.outcome == RegularFileReader::Outcome::TooLarge) {
        Log::error(component, "Shader file '" + fileName + "' is larger than " + std::to_string(maxSourceBytes >> 20) +
                                  " MiB");
    } else {
        Log::error(component, "Could not open '" + fileName + "'");
    }
    return {};
}

// Editors save UTF-8 with a byte-order mark by default, and the driver's
// preprocessor takes its three bytes for a stray token before "#version".
std::string withoutByteOrderMark(std::string source)
{
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (source.compare(0, byteOrderMark.size(), byteOrderMark) == 0) {
        source.erase(0, byteOrderMark.size());
    }
    return source;
}

// Some tools pad a file with NUL bytes after its text. The driver takes the
// source as a C string and stops at the first NUL, which drops padding
// harmlessly but would drop any text after it unseen; such a source is
// refused.
std::optional<std::string> textBeforePadding(std::string source)
{
    const std::size_t firstNul = source.find('\0');
    if (firstNul == std::string::npos) {
        return source;
    }
    if (source.find_first_not_of('\0', firstNul) != std::string::npos) {
        return std::nullopt;
    }
    source.resize(firstNul);
    return source;
}

void deleteShaders(std::initializer_list<GLuint> shaders)
{
    for (GLuint shader : shaders) {
        glDeleteShader(shader);
    }
}

bool linkFailed(GLuint program)
{
    if (programParameter(program, GL_LINK_STATUS) == GL_TRUE) {
        return false;
    }
    const GLint length = programParameter(program, GL_INFO_LOG_LENGTH);
    Log::error(component, "Failed to link shader program:" + programInfoLog(program, length));
    return true;
}

// Validation runs against the GL state of the moment, before any sampler
// has been given its unit.
bool validationFailed(GLuint program)
{
    glValidateProgram(program);
    if (programParameter(program, GL_VALIDATE_STATUS) == GL_TRUE) {
        return false;
    }
    Log::error(component, "Shader program will not run in this OpenGL environment!");
    return true;
}

void reportProgramInfo(GLuint program)
{
    const GLint length = programParameter(program, GL_INFO_LOG_LENGTH);
    if (length > 1) {
        Log::info(component, "Shader program info:" + programInfoLog(program, length));
    }
}

// Links and validates the shaders, attached in the given order. On failure
// the program and the shaders are deleted, so a failed build leaks nothing.
GLuint linkProgram(std::initializer_list<GLuint> shaders)
{
    const GLuint program = glCreateProgram();
    if (program == 0) {
        Log::error(component, "Cannot create shader program");
        deleteShaders(shaders);
        return 0;
    }
    for (GLuint shader : shaders) {
        glAttachShader(program, shader);
    }
    glLinkProgram(program);
    if (linkFailed(program) || validationFailed(program)) {
        glDeleteProgram(program);
        deleteShaders(shaders);
        return 0;
    }
    reportProgramInfo(program);
    return program;
}

} // namespace

ShaderManager::ShaderManager(std::string shaderDirectory, LightLookup lookUpLight)
    : shaderDirectory(std::move(shaderDirectory)), lookUpLight(std::move(lookUpLight))
{
}

PixelShader* ShaderManager::addShader(const std::string& name, const std::string& vertexFile,
                                      const std::string& fragmentFile, BaseLight* light)
{
    if (PixelShader* registered = shaders.existing(name)) {
        return registered;
    }
    GLuint vertexShader = 0;
    GLuint fragmentShader = 0;
    if (!compileStages({{GL_VERTEX_SHADER, vertexFile, vertexShader},
                        {GL_FRAGMENT_SHADER, fragmentFile, fragmentShader}})) {
        return nullptr;
    }
    const GLuint program = linkProgram({vertexShader, fragmentShader});
    if (program == 0) {
        return nullptr;
    }
    return registerProgram(name, std::make_unique<PixelShader>(program, vertexShader, fragmentShader, light));
}

PixelShader* ShaderManager::addShader(const std::string& name, const std::string& vertexFile,
                                      const std::string& geometryFile, const std::string& fragmentFile,
                                      BaseLight* light)
{
    if (PixelShader* registered = shaders.existing(name)) {
        return registered;
    }
    GLuint vertexShader = 0;
    GLuint geometryShader = 0;
    GLuint fragmentShader = 0;
    if (!compileStages({{GL_VERTEX_SHADER, vertexFile, vertexShader},
                        {GL_GEOMETRY_SHADER, geometryFile, geometryShader},
                        {GL_FRAGMENT_SHADER, fragmentFile, fragmentShader}})) {
        return nullptr;
    }
    const GLuint program = linkProgram({vertexShader, fragmentShader, geometryShader});
    if (program == 0) {
        return nullptr;
    }
    return registerProgram(name, std::make_unique<GeometryPixelShader>(program, vertexShader, geometryShader,
                                                                       fragmentShader, light));
}

bool ShaderManager::compileShaderFile(unsigned int type, const std::string& fileName, unsigned int& shader) const
{
    const std::optional<std::string> source =
        textBeforePadding(withoutByteOrderMark(readSource(shaderDirectory + fileName, fileName)));
    if (!source) {
        Log::error(component, "Failed to compile shader '" + fileName + "': the source holds text after a NUL byte");
        shader = 0;
        return false;
    }
    shader = glCreateShader(type);
    if (shader == 0) {
        Log::error(component, "Cannot create shader type " + std::to_string(type) + " for " + fileName);
        return false;
    }
    const char* text = source->c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);

    const GLint length = shaderParameter(shader, GL_INFO_LOG_LENGTH);
    if (shaderParameter(shader, GL_COMPILE_STATUS) != GL_TRUE) {
        Log::error(component, "Failed to compile shader '" + fileName + "': " + shaderInfoLog(shader, length));
        return false;
    }
    if (length > 1) {
        Log::info(component, "Shader info for '" + fileName + "': " + shaderInfoLog(shader, length));
    }
    return true;
}

bool ShaderManager::compileStages(std::initializer_list<Stage> stages) const
{
    for (const Stage& stage : stages) {
        if (!compileShaderFile(stage.type, stage.fileName, stage.shader)) {
            // Stages not reached still hold 0, which glDeleteShader ignores.
            for (const Stage& made : stages) {
                glDeleteShader(made.shader);
            }
            return false;
        }
    }
    return true;
}

PixelShader* ShaderManager::registerProgram(const std::string& name, std::unique_ptr<PixelShader> shader)
{
    PixelShader* registered = shaders.insert(name, std::move(shader));
    Log::info(component, "Shader '" + name + "' compiled/linked successfully");
    return registered;
}

PixelShader* ShaderManager::getShader(const std::string& name) const
{
    return shaders.get(name);
}

void ShaderManager::loadShaders()
{
    for (const CatalogueEntry& entry : catalogue) {
        // The light is looked up first, so a missing light's line comes
        // before the lines of the build; the program is then built unlit.
        BaseLight* light = entry.lightName != nullptr ? lookUpLight(entry.lightName) : nullptr;
        if (entry.geometryFile != nullptr) {
            addShader(entry.name, entry.vertexFile, entry.geometryFile, entry.fragmentFile, light);
        } else {
            addShader(entry.name, entry.vertexFile, entry.fragmentFile, light);
        }
    }
}

void ShaderManager::cleanUp()
{
    shaders.forEach([](const PixelShader& shader) { shader.release(); });
    shaders.clear();
}
