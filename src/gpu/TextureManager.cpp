#include "gpu/TextureManager.h"

TextureManager::TextureManager(std::string textureDirectory)
    : textureDirectory(std::move(textureDirectory))
{
}
