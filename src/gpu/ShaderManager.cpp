#include "gpu/ShaderManager.h"

ShaderManager::ShaderManager(std::string shaderDirectory)
    : shaderDirectory(std::move(shaderDirectory))
{
}
