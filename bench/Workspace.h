#pragma once

#include <filesystem>
#include <string>

// A temporary working directory laid out as the renderer expects
// (settings.txt, shader/, res/assets/, res/texture/), its data linked to the
// shipped files or to another scene's models and paths. It fixes the window
// to 1280 x 720 whatever the local settings say, adds the benchmark's own
// shaders beside the renderer's and holds the extra copies of the steps model that the scene-size runs
// register under other names. Removed again on destruction.
class Workspace {
public:
    static constexpr int windowWidth = 1280;
    static constexpr int windowHeight = 720;

    // False (after an error line) when anything could not be laid out.
    // The models and paths come from assetsDirectory where one is given,
    // instead of the data's res/assets.
    bool create(const std::filesystem::path& dataRoot, const std::filesystem::path& benchShaderDirectory,
                int stepsCopies, const std::filesystem::path& assetsDirectory = {});
    ~Workspace();

    // Writes shader/copyName: the workspace's shader/sourceName with the line
    // "#define macro" right after its #version line, so that a program can be
    // built from the shipped source with one of its switches set. False,
    // after an error line, when the source cannot be read or names no
    // version.
    bool addShaderWithDefine(const std::string& sourceName, const std::string& copyName,
                             const std::string& macro) const;

    const std::filesystem::path& path() const { return root; }
    // The asset file name of copy n (1-based) of the steps model.
    static std::string stepsCopyFileName(int copy);

private:
    bool linkEachFile(const std::filesystem::path& from, const std::filesystem::path& into);
    bool link(const std::filesystem::path& target, const std::filesystem::path& linkPath);
    bool writeSettings();

    std::filesystem::path root;
};
