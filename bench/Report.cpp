#include "Report.h"

#include "BenchResults.h"
#include "JsonWriter.h"
#include "MainPassReport.h"

#include "base/Log.h"

#include <cstdio>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>

namespace {

std::string format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string medianAndP95(const Samples& samples)
{
    char text[64];
    std::snprintf(text, sizeof text, "%8.2f %8.2f", samples.median(), samples.percentile95());
    return text;
}

double ratio(double numerator, double denominator)
{
    return denominator > 0.0 ? numerator / denominator : 0.0;
}

void printStartup(const BenchResults& results, std::ostream& out)
{
    const StartupTimes& times = results.startup;
    out << "Start-up (ms)\n";
    const std::pair<const char*, double> steps[] = {
        {"settings", times.settings},        {"window and GL context", times.window},
        {"lights", times.lights},            {"shaders", times.shaders},
        {"assets with textures", times.assets}, {"camera", times.camera},
        {"shadow set-up", times.shadowSetup}, {"total", times.total()},
        {"first frame", results.firstFrameMs},
    };
    for (const auto& [name, milliseconds] : steps) {
        char line[96];
        std::snprintf(line, sizeof line, "  %-24s %9.2f\n", name, milliseconds);
        out << line;
    }
    out << "  heap allocations during start-up: " << results.startupAllocations << "\n";
}

void printVariants(const BenchResults& results, std::ostream& out)
{
    out << "\nPer frame (ms; median and 95th percentile)\n";
    out << "                    update CPU        submit CPU        shadow GPU          main GPU        frame wall"
           "   allocs/frame\n";
    for (const VariantResult& variant : results.variants) {
        char name[24];
        std::snprintf(name, sizeof name, "  %-10s", variant.name.c_str());
        out << name << medianAndP95(variant.updateCpuMs) << medianAndP95(variant.submitCpuMs)
            << medianAndP95(variant.shadowGpuMs) << medianAndP95(variant.mainGpuMs) << medianAndP95(variant.wallMs)
            << format("%15.2f", variant.allocationsPerFrame()) << "\n";
    }
    out << format("Peak resident memory: %.1f MiB\n", results.peakResidentMiB);
}

void printRatios(const BenchResults& results, std::ostream& out)
{
    const VariantResult* renderer = results.variant("renderer");
    const VariantResult* raw = results.variant("raw");
    const VariantResult* sixPass = results.variant("six-pass");
    if (renderer == nullptr || raw == nullptr || sixPass == nullptr) {
        return;
    }
    out << "\nRatios (medians)\n";
    out << format("  renderer / raw, frame wall time:          %.3f", ratio(renderer->wallMs.median(), raw->wallMs.median()))
        << format("   (CPU update %.2f,", ratio(renderer->updateCpuMs.median(), raw->updateCpuMs.median()))
        << format(" CPU submit %.2f)\n", ratio(renderer->submitCpuMs.median(), raw->submitCpuMs.median()));
    out << format("  single-pass / six-pass, frame wall time:  %.3f",
                  ratio(renderer->wallMs.median(), sixPass->wallMs.median()))
        << format("   (shadow GPU %.2f,", ratio(renderer->shadowGpuMs.median(), sixPass->shadowGpuMs.median()))
        << format(" shadow CPU submit %.2f)\n",
                  ratio(renderer->shadowSubmitCpuMs.median(), sixPass->shadowSubmitCpuMs.median()));
}

void printGrowthSeries(const std::vector<GrowthResult>& series, const char* heading, bool bySize, std::ostream& out)
{
    out << heading;
    for (const GrowthResult& point : series) {
        const VariantResult& renderer = point.renderer;
        char line[160];
        std::snprintf(line, sizeof line, "  %6d   %8.2f %8.2f   %8.2f   %8.2f   %8.2f\n",
                      bySize ? point.config.shadowMapSize : point.config.stepsCount, renderer.wallMs.median(),
                      renderer.wallMs.percentile95(), renderer.shadowGpuMs.median(), renderer.mainGpuMs.median(),
                      renderer.submitCpuMs.median());
        out << line;
    }
}

bool limitsPixelsOff(const CheckResult& check)
{
    return check.mostPixelsOff != CheckResult{}.mostPixelsOff;
}

void printChecks(const BenchResults& results, std::ostream& out)
{
    out << "\nChecks\n";
    for (const CheckResult& check : results.checks) {
        char line[240];
        int used = std::snprintf(line, sizeof line,
                                 "  %-44s %s: largest difference %.0f (tolerance %.0f), %zu of %zu differ, "
                                 "%.0f %% covered",
                                 check.name.c_str(), check.passed() ? "pass" : "FAIL", check.difference.largest,
                                 check.tolerance, check.difference.differingValues, check.difference.totalValues,
                                 100.0 * check.difference.coveredShare);
        if (limitsPixelsOff(check)) {
            std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used),
                          ", %zu pixels more than %d off (at most %zu)", check.difference.pixelsOff,
                          Difference::slightGap, check.mostPixelsOff);
        }
        out << line << "\n";
    }
}

void writeSamples(JsonWriter& json, const char* key, const Samples& samples)
{
    json.beginObject(key);
    json.value("median", samples.median());
    json.value("p95", samples.percentile95());
    json.endObject();
}

void writeVariant(JsonWriter& json, const char* key, const VariantResult& variant)
{
    json.beginObject(key);
    json.value("frames", static_cast<double>(variant.wallMs.size()));
    writeSamples(json, "update_cpu_ms", variant.updateCpuMs);
    writeSamples(json, "submit_cpu_ms", variant.submitCpuMs);
    writeSamples(json, "shadow_submit_cpu_ms", variant.shadowSubmitCpuMs);
    writeSamples(json, "shadow_gpu_ms", variant.shadowGpuMs);
    writeSamples(json, "main_gpu_ms", variant.mainGpuMs);
    writeSamples(json, "frame_wall_ms", variant.wallMs);
    writeSamples(json, "frame_process_cpu_ms", variant.processCpuMs);
    json.value("heap_allocations_per_frame", variant.allocationsPerFrame());
    json.endObject();
}

void writeMachine(JsonWriter& json, const BenchResults& results)
{
    const MachineInfo& machine = results.machine;
    json.beginObject("machine");
    json.value("cpu", machine.cpu);
    json.value("cores", static_cast<double>(machine.cores));
    json.value("gl_renderer", machine.glRenderer);
    json.value("gl_version", machine.glVersion);
    json.beginArray("load_average_before");
    for (const double load : machine.loadBefore) {
        json.element(load);
    }
    json.endArray();
    json.beginArray("load_average_after");
    for (const double load : machine.loadAfter) {
        json.element(load);
    }
    json.endArray();
    json.endObject();
}

void writeSettings(JsonWriter& json, const RunSettings& settings)
{
    json.beginObject("settings");
    json.value("window_width", static_cast<double>(settings.windowWidth));
    json.value("window_height", static_cast<double>(settings.windowHeight));
    json.value("delta_s", settings.deltaSeconds);
    json.value("warm_up_frames", static_cast<double>(settings.warmUpFrames));
    json.value("measured_frames", static_cast<double>(settings.measuredFrames));
    json.value("growth_warm_up_frames", static_cast<double>(settings.growthWarmUpFrames));
    json.value("growth_frames", static_cast<double>(settings.growthFrames));
    json.value("moment_warm_up_frames", static_cast<double>(settings.momentWarmUpFrames));
    json.value("moment_frames", static_cast<double>(settings.momentFrames));
    json.endObject();
}

void writeStartup(JsonWriter& json, const BenchResults& results)
{
    const StartupTimes& times = results.startup;
    json.beginObject("startup_ms");
    json.value("settings", times.settings);
    json.value("window", times.window);
    json.value("lights", times.lights);
    json.value("shaders", times.shaders);
    json.value("assets", times.assets);
    json.value("camera", times.camera);
    json.value("shadow_setup", times.shadowSetup);
    json.value("total", times.total());
    json.endObject();
    json.value("first_frame_ms", results.firstFrameMs);
    json.value("startup_heap_allocations", static_cast<double>(results.startupAllocations));
}

void writeRatios(JsonWriter& json, const BenchResults& results)
{
    const VariantResult* renderer = results.variant("renderer");
    const VariantResult* raw = results.variant("raw");
    const VariantResult* sixPass = results.variant("six-pass");
    if (renderer == nullptr || raw == nullptr || sixPass == nullptr) {
        return;
    }
    json.beginObject("ratios");
    json.beginObject("renderer_over_raw");
    json.value("frame_wall", ratio(renderer->wallMs.median(), raw->wallMs.median()));
    json.value("update_cpu", ratio(renderer->updateCpuMs.median(), raw->updateCpuMs.median()));
    json.value("submit_cpu", ratio(renderer->submitCpuMs.median(), raw->submitCpuMs.median()));
    json.value("shadow_gpu", ratio(renderer->shadowGpuMs.median(), raw->shadowGpuMs.median()));
    json.value("main_gpu", ratio(renderer->mainGpuMs.median(), raw->mainGpuMs.median()));
    json.endObject();
    json.beginObject("single_pass_over_six_pass");
    json.value("frame_wall", ratio(renderer->wallMs.median(), sixPass->wallMs.median()));
    json.value("shadow_gpu", ratio(renderer->shadowGpuMs.median(), sixPass->shadowGpuMs.median()));
    json.value("shadow_submit_cpu", ratio(renderer->shadowSubmitCpuMs.median(), sixPass->shadowSubmitCpuMs.median()));
    json.endObject();
    json.endObject();
}

void writeGrowth(JsonWriter& json, const char* key, const std::vector<GrowthResult>& series)
{
    json.beginArray(key);
    for (const GrowthResult& point : series) {
        json.beginObject();
        json.value("shadow_map_size", static_cast<double>(point.config.shadowMapSize));
        json.value("steps_drawn", static_cast<double>(point.config.stepsCount));
        writeVariant(json, "renderer", point.renderer);
        json.endObject();
    }
    json.endArray();
}

void writeChecks(JsonWriter& json, const BenchResults& results)
{
    json.beginArray("checks");
    for (const CheckResult& check : results.checks) {
        json.beginObject();
        json.value("name", check.name);
        json.boolean("passed", check.passed());
        json.value("largest_difference", check.difference.largest);
        json.value("tolerance", check.tolerance);
        json.value("differing_values", static_cast<double>(check.difference.differingValues));
        json.value("total_values", static_cast<double>(check.difference.totalValues));
        json.value("covered_share", check.difference.coveredShare);
        if (limitsPixelsOff(check)) {
            json.value("pixels_more_than_slightly_off", static_cast<double>(check.difference.pixelsOff));
            json.value("most_pixels_off", static_cast<double>(check.mostPixelsOff));
        }
        json.endObject();
    }
    json.endArray();
}

} // namespace

void Report::printTable(const BenchResults& results, std::ostream& out)
{
    const MachineInfo& machine = results.machine;
    const RunSettings& settings = results.settings;
    out << "Glimmerhall benchmark\n";
    out << "  machine: " << machine.cpu << ", " << machine.cores << " cores; " << machine.glRenderer << "; "
        << machine.glVersion << "\n";
    out << format("  load average (1 min): %.2f before, ", machine.loadBefore[0])
        << format("%.2f after\n", machine.loadAfter[0]);
    out << "  window " << settings.windowWidth << " x " << settings.windowHeight << ", fixed step "
        << format("%.4f s, ", settings.deltaSeconds) << settings.warmUpFrames << " warm-up + "
        << settings.measuredFrames << " measured frames per variant, interleaved\n\n";
    if (!results.sceneLoaded) {
        out << "The scene did not load; see the log.\n";
        return;
    }
    printStartup(results, out);
    printVariants(results, out);
    printRatios(results, out);
    MainPassReport::printTables(results, out);
    out << "\nGrowth: the renderer alone, " << settings.growthWarmUpFrames << " warm-up + " << settings.growthFrames
        << " measured frames each (ms)\n";
    printGrowthSeries(results.shadowMapGrowth,
                      "  face     frame med  p95        shadow GPU main GPU   submit CPU\n", true, out);
    printGrowthSeries(results.sceneGrowth,
                      "  steps    frame med  p95        shadow GPU main GPU   submit CPU\n", false, out);
    printChecks(results, out);
}

bool Report::writeJson(const BenchResults& results, const std::filesystem::path& path)
{
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream file(path);
    if (!file) {
        Log::error("Bench", "Could not write '" + path.string() + "'");
        return false;
    }
    JsonWriter json(file);
    json.beginObject();
    writeMachine(json, results);
    writeSettings(json, results.settings);
    json.boolean("scene_loaded", results.sceneLoaded);
    writeStartup(json, results);
    json.beginObject("variants");
    for (const VariantResult& variant : results.variants) {
        writeVariant(json, variant.name.c_str(), variant);
    }
    json.endObject();
    json.value("peak_resident_mib", results.peakResidentMiB);
    writeRatios(json, results);
    MainPassReport::writeJson(results, json);
    json.beginObject("growth");
    writeGrowth(json, "shadow_map_size", results.shadowMapGrowth);
    writeGrowth(json, "scene_size", results.sceneGrowth);
    json.endObject();
    writeChecks(json, results);
    json.boolean("all_checks_passed", results.allChecksPassed());
    json.endObject();
    return static_cast<bool>(file);
}
