#include "gpu/ShaderManager.h"

#include "GlTest.h"
#include "LogCapture.h"
#include "UnprivilegedUser.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string plainVertex =
    "#version 430 core\nlayout(location = 0) in vec3 position;\n"
    "void main() { gl_Position = vec4(position, 1.0); }\n";
const std::string plainFragment = "#version 430 core\nout vec4 color;\nvoid main() { color = vec4(1.0); }\n";

// Every byte value once, NUL first, as in a file that is no text at all.
std::string everyByte()
{
    std::string bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

class BadShaderFileTest : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        workspace.write("shader/plain.vert", plainVertex);
        workspace.write("shader/plain.frag", plainFragment);
    }
    void TearDown() override { manager.cleanUp(); }

    // Builds a program whose fragment stage is the bad file, so that the
    // vertex stage before it has made an object the failure must delete.
    void expectRefused(const std::string& fileName, const std::string& pattern)
    {
        const std::set<unsigned int> before = liveShadersAndPrograms();
        {
            LogCapture log;
            EXPECT_EQ(manager.addShader("bad", "plain.vert", fileName, nullptr), nullptr) << fileName;
            EXPECT_TRUE(std::regex_match(log.text(), std::regex(pattern))) << fileName << ":\n" << log.text();
        }
        EXPECT_EQ(liveShadersAndPrograms(), before) << fileName;
        LogCapture lookup;
        EXPECT_EQ(manager.getShader("bad"), nullptr);
        EXPECT_EQ(takeGlError(), GL_NO_ERROR) << fileName;
    }

    ShaderManager manager{"shader/", [](const std::string&) { return nullptr; }};
};

std::string compileFailure(const std::string& escapedFileName)
{
    // The driver's own log may run over several lines.
    return "ERROR ShaderManager: Failed to compile shader '" + escapedFileName + "': 0:[\\s\\S]*\n";
}

std::string nulRefusal(const std::string& escapedFileName)
{
    return "ERROR ShaderManager: Failed to compile shader '" + escapedFileName +
           "': the source holds text after a NUL byte\n";
}

std::string notOpened(const std::string& escapedFileName)
{
    return "ERROR ShaderManager: Could not open '" + escapedFileName + "'\n" + compileFailure(escapedFileName);
}

} // namespace

TEST_F(BadShaderFileTest, FilesThatHoldNoShaderTextFailTheirBuild)
{
    struct Case {
        std::string fileName;
        std::string content;
        std::string pattern;
    };
    const Case cases[] = {
        {"empty.frag", "", compileFailure("empty\\.frag")},
        {"binary.frag", everyByte(), nulRefusal("binary\\.frag")},
        // The driver reads a source only up to its first NUL: the text before
        // it is a whole shader, and the bytes after it must not be dropped
        // unseen.
        {"padded.frag", plainFragment + '\0' + everyByte(), nulRefusal("padded\\.frag")},
        {"utf16.frag", std::string("\xff\xfe#\0v\0e\0r\0", 10), nulRefusal("utf16\\.frag")},
        {"noise.frag", everyByte().substr(1) + everyByte().substr(1), compileFailure("noise\\.frag")},
    };
    for (const Case& bad : cases) {
        workspace.write("shader/" + bad.fileName, bad.content);
        expectRefused(bad.fileName, bad.pattern);
    }

    // NUL bytes alone after the text are padding, which some tools write;
    // a UTF-8 byte-order mark before it is what many editors write.
    const std::string byteOrderMark = "\xEF\xBB\xBF";
    const std::pair<std::string, std::string> accepted[] = {
        {"nul_padded", plainFragment + std::string(4096, '\0')},
        {"marked", byteOrderMark + plainFragment},
        {"marked_padded", byteOrderMark + plainFragment + std::string(16, '\0')},
    };
    for (const auto& [name, content] : accepted) {
        workspace.write("shader/" + name + ".frag", content);
        LogCapture log;
        EXPECT_NE(manager.addShader(name, "plain.vert", name + ".frag", nullptr), nullptr) << log.text();
    }
}

TEST_F(BadShaderFileTest, PathsThatAreNoRegularFileAreNotOpened)
{
    // A directory opens as a stream that reads nothing, and a named pipe
    // would block the open until some writer came along.
    std::filesystem::create_directories(workspace.path() / "shader/folder.frag");
    ASSERT_EQ(mkfifo((workspace.path() / "shader/pipe.frag").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", workspace.path() / "shader/endless.frag");

    expectRefused("folder.frag", notOpened("folder\\.frag"));
    expectRefused("pipe.frag", notOpened("pipe\\.frag"));
    expectRefused("endless.frag", notOpened("endless\\.frag"));
    expectRefused("missing.frag", notOpened("missing\\.frag"));
}

TEST_F(BadShaderFileTest, AHugeFileReachesTheCompilerWhole)
{
    // Tens of megabytes of blanks after a valid shader: only the fault at the
    // very end makes the build fail, so a reader that stopped early would
    // report a success.
    const std::string blanks(24u << 20, ' ');
    workspace.write("shader/huge.frag", plainFragment + blanks + "@@ no GLSL\n");
    expectRefused("huge.frag", compileFailure("huge\\.frag"));

    workspace.write("shader/spacious.frag", plainFragment + blanks);
    LogCapture log;
    EXPECT_NE(manager.addShader("spacious", "plain.vert", "spacious.frag", nullptr), nullptr) << log.text();
}

TEST_F(BadShaderFileTest, AFileBeyondTheSizeLimitIsNotRead)
{
    // Sparse files, whose NUL bytes after a whole shader would otherwise be
    // cut as padding and the shader built; the larger one exceeds any memory.
    for (const std::uintmax_t size : {(std::uintmax_t{64} << 20) + 1, std::uintmax_t{100} << 30}) {
        workspace.write("shader/vast.frag", plainFragment);
        std::filesystem::resize_file(workspace.path() / "shader/vast.frag", size);
        expectRefused("vast.frag", "ERROR ShaderManager: Shader file 'vast\\.frag' is larger than 64 MiB\n" +
                                       compileFailure("vast\\.frag"));
    }
}

TEST_F(BadShaderFileTest, AnUnreadableFileIsNotOpened)
{
    workspace.write("shader/locked.frag", plainFragment);
    // The folders stay searchable, so that the file's own mode is what stops
    // the read.
    ASSERT_EQ(chmod(workspace.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((workspace.path() / "shader/locked.frag").c_str(), 0), 0);
    const UnprivilegedUser user;
    if (!user.permissionsBind()) {
        GTEST_SKIP() << "file permissions do not bind root";
    }
    expectRefused("locked.frag", notOpened("locked\\.frag"));
}
