#include "app/FileStem.h"

std::string fileStem(const std::string& fileName)
{
    return fileName.substr(0, fileName.find('.'));
}
