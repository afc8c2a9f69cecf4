#include "Workspace.h"

#include "base/Log.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char* const component = "Bench";

bool reportFailure(const std::string& what, const std::error_code& error)
{
    Log::error(component, what + ": " + error.message());
    return false;
}

} // namespace

bool Workspace::create(const fs::path& dataDirectory, const fs::path& benchShaderDirectory, int stepsCopies,
                       const fs::path& assetsDirectory)
{
    // The links must not depend on the directory they are made from.
    const fs::path dataRoot = fs::absolute(dataDirectory);
    const fs::path assets = assetsDirectory.empty() ? dataRoot / "res" / "assets" : fs::absolute(assetsDirectory);
    std::string pattern = (fs::temp_directory_path() / "glimmerhall-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        Log::error(component, "Could not create a temporary working directory");
        return false;
    }
    root = pattern;

    std::error_code error;
    fs::create_directories(root / "shader", error);
    if (!error) {
        fs::create_directories(root / "res" / "assets", error);
    }
    if (error) {
        return reportFailure("Could not lay out '" + root.string() + "'", error);
    }
    if (!writeSettings() || !linkEachFile(dataRoot / "shader", root / "shader") ||
        !linkEachFile(fs::absolute(benchShaderDirectory), root / "shader") ||
        !linkEachFile(assets, root / "res" / "assets") ||
        !link(dataRoot / "res" / "texture", root / "res" / "texture")) {
        return false;
    }
    const fs::path steps = assets / "steps.dae";
    for (int copy = 1; copy <= stepsCopies; ++copy) {
        if (!link(steps, root / "res" / "assets" / stepsCopyFileName(copy))) {
            return false;
        }
    }
    return true;
}

Workspace::~Workspace()
{
    if (root.empty()) {
        return;
    }
    // Removes the links, never what they point at.
    std::error_code error;
    fs::remove_all(root, error);
}

bool Workspace::addShaderWithDefine(const std::string& sourceName, const std::string& copyName,
                                    const std::string& macro) const
{
    std::ifstream source(root / "shader" / sourceName);
    std::ostringstream text;
    text << source.rdbuf();
    std::string shader = text.str();
    // GLSL wants the version before anything but comments and blanks.
    const std::size_t version = shader.rfind("#version", 0) == 0 ? 0 : shader.find("\n#version");
    const std::size_t lineEnd = version == std::string::npos ? version : shader.find('\n', version + 1);
    if (!source || lineEnd == std::string::npos) {
        Log::error(component, "Could not find the version line of '" + sourceName + "'");
        return false;
    }
    shader.insert(lineEnd + 1, "#define " + macro + "\n");
    // A link there would lead the copy onto a shipped file.
    std::error_code error;
    if (fs::exists(fs::symlink_status(root / "shader" / copyName, error))) {
        Log::error(component, "'" + copyName + "' is taken");
        return false;
    }
    std::ofstream copy(root / "shader" / copyName);
    copy << shader;
    if (!copy) {
        Log::error(component, "Could not write '" + copyName + "'");
        return false;
    }
    return true;
}

std::string Workspace::stepsCopyFileName(int copy)
{
    char name[32];
    std::snprintf(name, sizeof name, "steps_copy%02d.dae", copy);
    return name;
}

bool Workspace::linkEachFile(const fs::path& from, const fs::path& into)
{
    std::error_code error;
    for (fs::directory_iterator entry(from, error), end; !error && entry != end; entry.increment(error)) {
        if (entry->is_regular_file() && !link(fs::absolute(entry->path()), into / entry->path().filename())) {
            return false;
        }
    }
    return error ? reportFailure("Could not read '" + from.string() + "'", error) : true;
}

bool Workspace::link(const fs::path& target, const fs::path& linkPath)
{
    std::error_code error;
    fs::create_symlink(target, linkPath, error);
    return error ? reportFailure("Could not link '" + linkPath.string() + "'", error) : true;
}

bool Workspace::writeSettings()
{
    std::ofstream settings(root / "settings.txt");
    settings << "FULLSCREEN 0\nWIDTH " << windowWidth << "\nHEIGHT " << windowHeight << "\n";
    if (!settings) {
        Log::error(component, "Could not write '" + (root / "settings.txt").string() + "'");
        return false;
    }
    return true;
}
