#pragma once

#include "GlTest.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BaseLight;
class Model3D;
class PixelShader;

// GL tests of models: Collada files from tests/scene/data copied into the
// workspace's asset directory, images and shader sources written there.
class SceneTest : public GlTest {
protected:
    static std::string dataFileContent(const std::string& dataFile);
    void installAsset(const std::string& dataFile, const std::string& assetName) const;
    void installAsset(const std::string& dataFile) const { installAsset(dataFile, dataFile); }
    // A 2 x 2 PNG of one colour in the texture directory.
    void writeImage(const std::string& fileName, std::array<std::uint8_t, 4> rgba) const;
    PixelShader* addProgram(const std::string& name, const std::string& vertexSource,
                            const std::string& fragmentSource, BaseLight* light = nullptr) const;
    std::unique_ptr<Model3D> importModel(const std::string& dataFile, PixelShader* program = nullptr) const;
};

// The whole content of a GL buffer.
std::vector<float> readFloats(unsigned int buffer);
std::vector<std::uint32_t> readIndices(unsigned int buffer);
