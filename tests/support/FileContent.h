#pragma once

#include <filesystem>
#include <string>

// Every byte of the file; empty when it cannot be read.
std::string fileContent(const std::filesystem::path& path);
