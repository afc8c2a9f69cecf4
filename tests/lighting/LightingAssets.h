#pragma once

#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

// Puts a Collada file of the lighting test data into the asset directory of
// the working directory under assetName.
inline void installLightingAsset(const TempDirectory& workspace, const std::string& dataFile,
                                 const std::string& assetName)
{
    std::ifstream source(std::string(GLIMMERHALL_SOURCE_DIR) + "/tests/lighting/data/" + dataFile);
    ASSERT_TRUE(source) << dataFile;
    std::ostringstream content;
    content << source.rdbuf();
    workspace.write("res/assets/" + assetName, content.str());
}
