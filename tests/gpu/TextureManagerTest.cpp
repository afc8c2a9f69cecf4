#include "gpu/PixelShader.h"
#include "gpu/TextureManager.h"

#include "GlTest.h"
#include "ImageForgery.h"
#include "LogCapture.h"

#include <FreeImage.h>
#include <GL/glew.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace {

using Bgra = std::array<std::uint8_t, 4>;
using Lines = std::vector<std::string>;

class TextureManagerTest : public GlTest {
protected:
    // Requested the way materials request their diffuse and normal maps.
    Texture* addImage(const std::string& fileName, int unit = 0, const std::string& sampler = "textureMap",
                      ImageDecoder::Use use = ImageDecoder::Use::Colour)
    {
        return manager.addTexture(fileName, unit, sampler, GL_RGBA, GL_BGRA, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR,
                                  GL_REPEAT, GL_REPEAT, use);
    }

    Texture* addNormalMap(const std::string& fileName)
    {
        return addImage(fileName, 1, "normalMap", ImageDecoder::Use::NormalMap);
    }

    // A portable float map: "PF" colour or "Pf" grey, rows bottom row
    // first, little-endian.
    void writeFloatImage(const std::string& fileName, const char* kind, int width, const std::vector<float>& values)
    {
        const int components = kind[1] == 'F' ? 3 : 1;
        const std::string header = std::string(kind) + "\n" + std::to_string(width) + " " +
                                   std::to_string(values.size() / components / width) + "\n-1.0\n";
        workspace.write("res/texture/" + fileName,
                        header + std::string(reinterpret_cast<const char*>(values.data()), values.size() * 4));
    }

    Texture* addShadowCubemap()
    {
        return manager.addCubemap("fboCubemap", 64, 64, 2, "cubeMap", GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT,
                                  GL_UNSIGNED_INT, GL_LINEAR, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_REPEAT,
                                  GL_MIRRORED_REPEAT);
    }

    // A picture file whose rows are written top row first.
    void writeImage(const std::string& fileName, const std::string& header, const std::vector<int>& bytes)
    {
        std::string content = header;
        for (const int byte : bytes) {
            content.push_back(static_cast<char>(byte));
        }
        workspace.write("res/texture/" + fileName, content);
    }

    TextureManager manager{"res/texture/"};
};

// Texels as GL holds them: bottom row first, blue, green, red, alpha. None
// for a texture that was not made.
std::vector<Bgra> texelsOf(const Texture* texture)
{
    if (texture == nullptr) {
        return {};
    }
    std::vector<Bgra> texels(static_cast<std::size_t>(texture->width) * texture->height);
    glBindTexture(GL_TEXTURE_2D, texture->id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

std::vector<GLint> parametersOf(const Texture& texture, std::initializer_list<GLenum> names)
{
    std::vector<GLint> values;
    glBindTexture(texture.target, texture.id);
    for (const GLenum name : names) {
        values.push_back(0);
        glGetTexParameteriv(texture.target, name, &values.back());
    }
    glBindTexture(texture.target, 0);
    return values;
}

// levelTarget is the 2D target or one cube-map face.
GLint levelParameter(const Texture& texture, GLenum levelTarget, GLint level, GLenum name)
{
    GLint value = 0;
    glBindTexture(texture.target, texture.id);
    glGetTexLevelParameteriv(levelTarget, level, name, &value);
    glBindTexture(texture.target, 0);
    return value;
}

GLint boundOnUnit(int unit, GLenum bindingQuery)
{
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glActiveTexture(GL_TEXTURE0 + unit);
    GLint bound = 0;
    glGetIntegerv(bindingQuery, &bound);
    glActiveTexture(static_cast<GLenum>(active));
    return bound;
}

GLuint compile(GLenum stage, const char* source)
{
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// A program that samples all three samplers, so none is optimised away.
std::unique_ptr<PixelShader> samplerProgram()
{
    const GLuint vertex = compile(GL_VERTEX_SHADER, "#version 430 core\nvoid main() { gl_Position = vec4(0.0); }\n");
    const GLuint fragment = compile(GL_FRAGMENT_SHADER,
                                    "#version 430 core\n"
                                    "uniform sampler2D textureMap;\nuniform sampler2D normalMap;\n"
                                    "uniform samplerCube cubeMap;\nout vec4 colour;\n"
                                    "void main() { colour = texture(textureMap, vec2(0.5)) + "
                                    "texture(normalMap, vec2(0.5)) + texture(cubeMap, vec3(1.0)); }\n");
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    return std::make_unique<PixelShader>(program, vertex, fragment, nullptr);
}

GLint samplerValue(const PixelShader& shader, const char* name)
{
    GLint value = -1;
    glGetUniformiv(shader.program, glGetUniformLocation(shader.program, name), &value);
    return value;
}

} // namespace

TEST_F(TextureManagerTest, EachFileIsATextureOfItsOwnRegisteredUnderItsStemWhileThatIsFree)
{
    writeImage("plain", "P6\n1 1\n255\n", {4, 5, 6});
    // A second file with a stem already taken is registered under "./" and
    // its file name, which no stem can be.
    const std::pair<std::string, std::string> sharingAStem[] = {
        {"brick.v2_diffuse.png", "brick.v2_normal.png"},
        {"body.1001.png", "body.1002.png"},
        {"wall.png", "wall.nrm.png"},
        {"ridge.png", "ridge"},
    };
    std::uint8_t shade = 0;
    for (const auto& [first, second] : sharingAStem) {
        ASSERT_TRUE(ImageForgery::writeSolid(workspace.path() / "res/texture" / first, {++shade, 0, 0, 255}));
        ASSERT_TRUE(ImageForgery::writeSolid(workspace.path() / "res/texture" / second, {++shade, 0, 0, 255}));
    }
    LogCapture log;

    shade = 0;
    Lines expected;
    for (const auto& [first, second] : sharingAStem) {
        SCOPED_TRACE(first);
        const std::string stem = first.substr(0, first.find('.'));
        Texture* colour = addImage(first);
        Texture* normalMap = addNormalMap(second);
        ASSERT_NE(colour, nullptr);
        ASSERT_NE(normalMap, nullptr);
        EXPECT_NE(colour, normalMap);
        EXPECT_EQ(texelsOf(colour).front(), (Bgra{0, 0, ++shade, 255}));
        EXPECT_EQ(texelsOf(normalMap).front(), (Bgra{0, 0, ++shade, 255}));
        // The same file asked for again, in either slot, is the same texture.
        EXPECT_EQ(addNormalMap(first), colour);
        EXPECT_EQ(addImage(second), normalMap);
        EXPECT_EQ(manager.getTexture(stem), colour);
        EXPECT_EQ(manager.getTexture("./" + second), normalMap);
        for (const std::string& line :
             {"INFO TextureManager: Texture '" + first + "' added successfully as '" + stem + "'",
              "INFO TextureManager: Texture '" + second + "' added successfully as './" + second + "'",
              "INFO TextureManager: Texture '" + stem + "' already exists",
              "INFO TextureManager: Texture './" + second + "' already exists"}) {
            expected.push_back(line);
        }
    }
    EXPECT_EQ(manager.getTexture("wall.png"), nullptr);
    // Without an extension the content alone tells the format.
    EXPECT_NE(addImage("plain"), nullptr);
    expected.push_back("ERROR TextureManager: Texture 'wall.png' does not exist in map");
    expected.push_back("INFO TextureManager: Texture 'plain' added successfully as 'plain'");
    EXPECT_EQ(log.lines(), expected);
}

TEST_F(TextureManagerTest, UnreadableFilesPrintTheirLinesAndStayUnregistered)
{
    workspace.write("res/texture/broken.png", "not a picture");
    LogCapture log;

    EXPECT_EQ(addImage("missing.png"), nullptr);
    EXPECT_EQ(addImage("missing.qqq"), nullptr);
    EXPECT_EQ(addImage("broken.png"), nullptr);
    EXPECT_EQ(addImage("missing.png"), nullptr);

    EXPECT_EQ(log.lines(), (Lines{"ERROR TextureManager: Cannot read file 'missing.png'",
                                  "ERROR TextureManager: Unrecognized file format 'res/texture/missing.qqq'",
                                  "ERROR TextureManager: Cannot read file 'missing.qqq'",
                                  "ERROR TextureManager: Cannot read file 'broken.png'",
                                  "ERROR TextureManager: Cannot read file 'missing.png'"}));
}

TEST_F(TextureManagerTest, UploadsEveryPixelLayoutAsBgraBottomRowFirst)
{
    // Three texels wide, so 24-bit and 8-bit rows carry padding.
    writeImage("rgb.ppm", "P6\n3 2\n255\n", {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90});
    writeImage("grey.pgm", "P5\n3 1\n255\n", {0, 128, 255});
    writeImage("grey16.pgm", "P5\n2 1\n65535\n", {0x12, 0x34, 0xfe, 0xdc});
    writeImage("rgb16.ppm", "P6\n1 2\n65535\n", {0x10, 0, 0x20, 0, 0x30, 0, 0xa0, 0xff, 0xb0, 0xff, 0xc0, 0xff});

    FIBITMAP* indexed = FreeImage_Allocate(3, 1, 8);
    RGBQUAD* palette = FreeImage_GetPalette(indexed);
    palette[1] = {11, 22, 33, 0};
    palette[2] = {44, 55, 66, 0};
    BYTE transparency[3] = {255, 0, 255};
    FreeImage_SetTransparencyTable(indexed, transparency, 3);
    std::memcpy(FreeImage_GetScanLine(indexed, 0), "\2\1\2", 3);
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, indexed, "res/texture/indexed.png", 0));
    FreeImage_Unload(indexed);

    EXPECT_EQ(texelsOf(addImage("rgb.ppm")),
              (std::vector<Bgra>{{30, 20, 10, 255}, {60, 50, 40, 255}, {90, 80, 70, 255},
                                 {0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}}));
    EXPECT_EQ(texelsOf(addImage("grey.pgm")),
              (std::vector<Bgra>{{0, 0, 0, 255}, {128, 128, 128, 255}, {255, 255, 255, 255}}));
    EXPECT_EQ(texelsOf(addImage("grey16.pgm")), (std::vector<Bgra>{{0x12, 0x12, 0x12, 255}, {0xfe, 0xfe, 0xfe, 255}}));
    EXPECT_EQ(texelsOf(addImage("rgb16.ppm")), (std::vector<Bgra>{{0xc0, 0xb0, 0xa0, 255}, {0x30, 0x20, 0x10, 255}}));
    EXPECT_EQ(texelsOf(addImage("indexed.png")),
              (std::vector<Bgra>{{44, 55, 66, 255}, {11, 22, 33, 0}, {44, 55, 66, 255}}));

    // Float colour has no exact 8-bit form: it is tone mapped, which keeps
    // the order of brightness.
    const float radiance[] = {0.1f, 0.1f, 0.1f, 0.9f, 0.5f, 0.2f};
    workspace.write("res/texture/sky.pfm",
                    "PF\n2 1\n-1.0\n" + std::string(reinterpret_cast<const char*>(radiance), sizeof radiance));
    const std::vector<Bgra> toneMapped = texelsOf(addImage("sky.pfm"));
    ASSERT_EQ(toneMapped.size(), 2u);
    EXPECT_GT(toneMapped[1][2], toneMapped[0][2]);
    EXPECT_GT(toneMapped[1][2], toneMapped[1][0]);
    EXPECT_EQ(toneMapped[0][3], 255);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(TextureManagerTest, FloatImagesAreMadeFiniteAndFloatNormalMapsGoToEightBitsLinearly)
{
    const float infinity = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Colour is tone mapped after infinity is clamped to the brightest
    // finite value and NaN to the darkest, so "hot" draws as "tame" does.
    writeFloatImage("hot.pfm", "PF", 4,
                    {0.1f, 0.1f, 0.1f, 0.9f, 0.5f, 0.2f, infinity, 0.1f, 0.5f, nan, 0.5f, 0.5f});
    writeFloatImage("tame.pfm", "PF", 4, {0.1f, 0.1f, 0.1f, 0.9f, 0.5f, 0.2f, 0.9f, 0.1f, 0.5f, 0.1f, 0.5f, 0.5f});
    // Grey is rescaled over its range.
    writeFloatImage("grey.pfm", "Pf", 3, {0.2f, 0.6f, -infinity});
    // Normal maps are clamped to 0..1 and go to 8 bits linearly, like the
    // same map saved with 8 bits.
    std::vector<float> flat;
    for (int texel = 0; texel < 4; ++texel) {
        flat.insert(flat.end(), {0.5f, 0.5f, 1.0f});
    }
    writeFloatImage("flat.pfm", "PF", 2, flat);
    writeFloatImage("wild.pfm", "PF", 2, {1.5f, -0.2f, infinity, nan, 0.25f, 0.75f});
    ASSERT_TRUE(ImageForgery::writeSolid(workspace.path() / "res/texture/normal_up.png", {128, 128, 255, 255}));
    const ImageForgery::Bitmap withAlpha(FreeImage_AllocateT(FIT_RGBAF, 1, 1));
    *reinterpret_cast<FIRGBAF*>(FreeImage_GetBits(withAlpha.get())) = {0.5f, 0.5f, 1.0f, 0.25f};
    workspace.write("res/texture/alpha.tif", ImageForgery::encode(withAlpha.get(), FIF_TIFF));

    LogCapture log;
    const std::vector<Bgra> hot = texelsOf(addImage("hot.pfm"));
    EXPECT_EQ(hot, texelsOf(addImage("tame.pfm")));
    ASSERT_EQ(hot.size(), 4u);
    EXPECT_GT(hot[1][2], 0);
    EXPECT_EQ(texelsOf(addImage("grey.pfm")),
              (std::vector<Bgra>{{0, 0, 0, 255}, {255, 255, 255, 255}, {0, 0, 0, 255}}));
    Texture* flatNormalMap = addNormalMap("flat.pfm");
    EXPECT_EQ(texelsOf(flatNormalMap), texelsOf(addNormalMap("normal_up.png")));
    EXPECT_EQ(texelsOf(flatNormalMap), std::vector<Bgra>(4, {255, 128, 128, 255}));
    EXPECT_EQ(texelsOf(addNormalMap("wild.pfm")), (std::vector<Bgra>{{255, 0, 255, 255}, {191, 64, 0, 255}}));
    EXPECT_EQ(texelsOf(addNormalMap("alpha.tif")), (std::vector<Bgra>{{255, 128, 128, 64}}));

    // Asked for as colour too, the float map is a second texture, tone
    // mapped; each use keeps its own.
    Texture* flatColour = addImage("flat.pfm");
    ASSERT_NE(flatColour, nullptr);
    EXPECT_NE(flatColour, flatNormalMap);
    EXPECT_EQ(addNormalMap("flat.pfm"), flatNormalMap);
    EXPECT_EQ(addImage("flat.pfm"), flatColour);
    EXPECT_EQ(log.lines(),
              (Lines{"ERROR TextureManager: Texture 'hot.pfm' has texels that are not finite",
                     "INFO TextureManager: Texture 'hot.pfm' added successfully as 'hot'",
                     "INFO TextureManager: Texture 'tame.pfm' added successfully as 'tame'",
                     "ERROR TextureManager: Texture 'grey.pfm' has texels that are not finite",
                     "INFO TextureManager: Texture 'grey.pfm' added successfully as 'grey'",
                     "INFO TextureManager: Texture 'flat.pfm' added successfully as 'flat'",
                     "INFO TextureManager: Texture 'normal_up.png' added successfully as 'normal_up'",
                     "ERROR TextureManager: Texture 'wild.pfm' has texels that are not finite",
                     "INFO TextureManager: Texture 'wild.pfm' added successfully as 'wild'",
                     "INFO TextureManager: Texture 'alpha.tif' added successfully as 'alpha'",
                     "INFO TextureManager: Texture 'flat.pfm' added successfully as './flat.pfm'",
                     "INFO TextureManager: Texture 'flat' already exists",
                     "INFO TextureManager: Texture './flat.pfm' already exists"}));
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(TextureManagerTest, ImageTexturesAreMipmappedWithTheirParametersAndLeftUnbound)
{
    writeImage("normal_up.ppm", "P6\n4 2\n255\n", std::vector<int>(24, 200));
    const Texture* texture = addImage("normal_up.ppm", 1, "normalMap");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->target, static_cast<unsigned int>(GL_TEXTURE_2D));
    EXPECT_EQ(texture->width, 4);
    EXPECT_EQ(texture->height, 2);

    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE1);
    EXPECT_EQ(boundOnUnit(1, GL_TEXTURE_BINDING_2D), 0);

    EXPECT_EQ(levelParameter(*texture, GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(parametersOf(*texture, {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}),
              (std::vector<GLint>{GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT}));
}

TEST_F(TextureManagerTest, CubemapsAllocateSixFacesWithTheirParameters)
{
    LogCapture log;
    Texture* cubemap = addShadowCubemap();
    ASSERT_NE(cubemap, nullptr);
    EXPECT_EQ(addShadowCubemap(), cubemap);
    EXPECT_EQ(log.lines(), (Lines{"INFO TextureManager: Cubemap 'fboCubemap' added successfully as 'fboCubemap'",
                                  "INFO TextureManager: Texture 'fboCubemap' already exists"}));
    EXPECT_EQ(cubemap->target, static_cast<unsigned int>(GL_TEXTURE_CUBE_MAP));
    EXPECT_EQ(cubemap->textureUnit, 2);
    EXPECT_EQ(cubemap->samplerName, "cubeMap");
    EXPECT_EQ(boundOnUnit(2, GL_TEXTURE_BINDING_CUBE_MAP), 0);

    for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z; ++face) {
        EXPECT_EQ(levelParameter(*cubemap, face, 0, GL_TEXTURE_WIDTH), 64) << face;
        EXPECT_EQ(levelParameter(*cubemap, face, 0, GL_TEXTURE_HEIGHT), 64) << face;
        EXPECT_EQ(levelParameter(*cubemap, face, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_DEPTH_COMPONENT24) << face;
    }
    EXPECT_EQ(parametersOf(*cubemap, {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S,
                                      GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R}),
              (std::vector<GLint>{GL_LINEAR, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_REPEAT, GL_MIRRORED_REPEAT}));
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(TextureManagerTest, BindingSetsTheSamplerOfTheUnitItBindsAndUnbindStaysOnTheActiveUnit)
{
    writeImage("stone.ppm", "P6\n1 1\n255\n", {1, 2, 3});
    Texture* stone = addImage("stone.ppm");
    ASSERT_EQ(addNormalMap("stone.ppm"), stone);
    const Texture* cubemap = addShadowCubemap();
    const std::unique_ptr<PixelShader> shader = samplerProgram();
    shader->bind();
    glUniform1i(glGetUniformLocation(shader->program, "textureMap"), 5);
    glUniform1i(glGetUniformLocation(shader->program, "normalMap"), 6);

    // Its own unit, then the normal-map slot's: the one texture sits on both.
    cubemap->bind();
    stone->bind();
    stone->bindOn(1, "normalMap");
    cubemap->unbind();

    EXPECT_EQ(samplerValue(*shader, "textureMap"), 0);
    EXPECT_EQ(samplerValue(*shader, "normalMap"), 1);
    EXPECT_EQ(samplerValue(*shader, "cubeMap"), 2);
    EXPECT_EQ(boundOnUnit(0, GL_TEXTURE_BINDING_2D), static_cast<GLint>(stone->id));
    EXPECT_EQ(boundOnUnit(1, GL_TEXTURE_BINDING_2D), static_cast<GLint>(stone->id));
    EXPECT_EQ(boundOnUnit(1, GL_TEXTURE_BINDING_CUBE_MAP), 0);
    EXPECT_EQ(boundOnUnit(2, GL_TEXTURE_BINDING_CUBE_MAP), static_cast<GLint>(cubemap->id));
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);

    // With no program there is no sampler to set, but the texture still
    // lands on its unit.
    shader->unbind();
    glActiveTexture(GL_TEXTURE0);
    stone->unbind();
    LogCapture log;
    stone->bind();
    EXPECT_EQ(log.lines(), Lines{"PixelShader ERROR: No active program"});
    EXPECT_EQ(boundOnUnit(0, GL_TEXTURE_BINDING_2D), static_cast<GLint>(stone->id));
    EXPECT_EQ(samplerValue(*shader, "textureMap"), 0);
    shader->release();
}

TEST_F(TextureManagerTest, CleanUpDeletesEveryTextureAndEmptiesTheRegistry)
{
    writeImage("wall.ppm", "P6\n1 1\n255\n", {1, 2, 3});
    const std::vector<GLuint> ids{addImage("wall.ppm")->id, addShadowCubemap()->id};

    manager.cleanUp();
    for (const GLuint id : ids) {
        EXPECT_FALSE(glIsTexture(id)) << id;
    }
    // A texture made after the first clean-up may reuse a freed name; the
    // second clean-up must not touch it.
    GLuint unrelated = 0;
    glGenTextures(1, &unrelated);
    glBindTexture(GL_TEXTURE_2D, unrelated);
    glBindTexture(GL_TEXTURE_2D, 0);
    LogCapture log;
    manager.cleanUp();
    EXPECT_TRUE(glIsTexture(unrelated));
    EXPECT_TRUE(log.lines().empty());

    // The names are free again: the file is read anew.
    ASSERT_NE(addImage("wall.ppm"), nullptr);
    EXPECT_EQ(log.lines(), Lines{"INFO TextureManager: Texture 'wall.ppm' added successfully as 'wall'"});
    glDeleteTextures(1, &unrelated);
    manager.cleanUp();
}
