#include "MainPassReport.h"

#include "BenchResults.h"
#include "JsonWriter.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

namespace {

// The variants of the main-pass comparison that stand for the program the
// scene draws, in the order of the table.
const char* const shadingVariants[] = {"reference", "renderer", "forced-full", "unshadowed", "one-tap"};

// Each ratio over the moments, with its key in the JSON file.
struct MomentRatio {
    const char* key;
    const char* numerator;
    const char* denominator;
};

const MomentRatio momentRatios[] = {
    {"renderer_over_reference", "renderer", "reference"},
    {"early_out_over_forced_full", "renderer", "forced-full"},
    {"forced_full_over_reference", "forced-full", "reference"},
    {"unshadowed_over_reference", "unshadowed", "reference"},
    {"one_tap_over_reference", "one-tap", "reference"},
    {"smbptex_point_over_reference", "smbptex_point", "reference smbptex_point"},
    {"varsmnmbptex_point_over_reference", "varsmnmbptex_point", "reference varsmnmbptex_point"},
};

double medianWallMs(const MomentResult& moment, const char* name)
{
    const VariantResult* variant = moment.variant(name);
    return variant != nullptr ? variant->wallMs.median() : 0.0;
}

double wallRatio(const MomentResult& moment, const char* numerator, const char* denominator)
{
    const double below = medianWallMs(moment, denominator);
    return below > 0.0 ? medianWallMs(moment, numerator) / below : 0.0;
}

// The same ratio in the CPU time of the whole process, which other processes
// on the machine inflate far less than the wall time.
double processCpuRatio(const MomentResult& moment, const char* numerator, const char* denominator)
{
    const VariantResult* above = moment.variant(numerator);
    const VariantResult* below = moment.variant(denominator);
    if (above == nullptr || below == nullptr || below->processCpuMs.median() <= 0.0) {
        return 0.0;
    }
    return above->processCpuMs.median() / below->processCpuMs.median();
}

// The median and the largest of the renderer's ratio to the reference over
// the moments.
std::pair<double, double> rendererOverReference(const std::vector<MomentResult>& moments)
{
    std::vector<double> ratios;
    for (const MomentResult& moment : moments) {
        ratios.push_back(wallRatio(moment, "renderer", "reference"));
    }
    if (ratios.empty()) {
        return {0.0, 0.0};
    }
    std::sort(ratios.begin(), ratios.end());
    const std::size_t middle = ratios.size() / 2;
    const double median = ratios.size() % 2 == 1 ? ratios[middle] : 0.5 * (ratios[middle - 1] + ratios[middle]);
    return {median, ratios.back()};
}

void printTimes(const BenchResults& results, std::ostream& out)
{
    out << "  t (s)";
    for (const char* name : shadingVariants) {
        char heading[16];
        std::snprintf(heading, sizeof heading, " %10s", name);
        out << heading;
    }
    out << "   renderer/ref (CPU)  early-out/full  unshadowed/ref  one-tap/ref\n";
    for (const MomentResult& moment : results.moments) {
        char line[200];
        int used = std::snprintf(line, sizeof line, "  %5.1f", moment.seconds);
        for (const char* name : shadingVariants) {
            used += std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used), " %10.1f",
                                  medianWallMs(moment, name));
        }
        std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used),
                      "   %12.3f (%.3f) %14.3f %15.3f %12.3f\n", wallRatio(moment, "renderer", "reference"),
                      processCpuRatio(moment, "renderer", "reference"), wallRatio(moment, "renderer", "forced-full"),
                      wallRatio(moment, "unshadowed", "reference"), wallRatio(moment, "one-tap", "reference"));
        out << line;
    }
    const auto [median, largest] = rendererOverReference(results.moments);
    char line[120];
    std::snprintf(line, sizeof line, "  renderer / reference over the moments: median %.3f, largest %.3f\n", median,
                  largest);
    out << line;
}

void printOtherPrograms(const BenchResults& results, std::ostream& out)
{
    out << "\n  The other shadowed programs on the steps model (frame ms, median)\n";
    out << "  t (s)  smbptex_point  reference  ratio    varsmnmbptex_point  reference  ratio\n";
    for (const MomentResult& moment : results.moments) {
        char line[160];
        std::snprintf(line, sizeof line, "  %5.1f %14.1f %10.1f %6.3f %20.1f %10.1f %6.3f\n", moment.seconds,
                      medianWallMs(moment, "smbptex_point"), medianWallMs(moment, "reference smbptex_point"),
                      wallRatio(moment, "smbptex_point", "reference smbptex_point"),
                      medianWallMs(moment, "varsmnmbptex_point"),
                      medianWallMs(moment, "reference varsmnmbptex_point"),
                      wallRatio(moment, "varsmnmbptex_point", "reference varsmnmbptex_point"));
        out << line;
    }
}

void printPictures(const std::vector<MomentResult>& moments, const char* scene, std::ostream& out)
{
    if (moments.empty()) {
        return;
    }
    out << "\n  Pictures against their references on " << scene
        << ": largest channel difference (of 255) / pixels more than " << Difference::slightGap << " off\n  t (s)";
    for (const PictureResult& picture : moments.front().pictures) {
        char heading[48];
        std::snprintf(heading, sizeof heading, "  %28s", picture.program.c_str());
        out << heading;
    }
    out << "\n";
    for (const MomentResult& moment : moments) {
        char line[48];
        std::snprintf(line, sizeof line, "  %5.1f", moment.seconds);
        out << line;
        for (const PictureResult& picture : moment.pictures) {
            std::snprintf(line, sizeof line, "  %20.0f / %5zu", picture.difference.largest,
                          picture.difference.pixelsOff);
            out << line;
        }
        out << "\n";
    }
}

void writePictures(JsonWriter& json, const MomentResult& moment)
{
    json.beginArray("pictures");
    for (const PictureResult& picture : moment.pictures) {
        json.beginObject();
        json.value("program", picture.program);
        json.value("largest_difference", picture.difference.largest);
        json.value("pixels_more_than_slightly_off", static_cast<double>(picture.difference.pixelsOff));
        json.value("differing_values", static_cast<double>(picture.difference.differingValues));
        json.value("covered_share", picture.difference.coveredShare);
        json.endObject();
    }
    json.endArray();
}

void writeMoment(JsonWriter& json, const MomentResult& moment)
{
    json.beginObject();
    json.value("seconds", moment.seconds);
    json.beginObject("variants");
    for (const VariantResult& variant : moment.variants) {
        json.beginObject(variant.name);
        json.value("frames", static_cast<double>(variant.wallMs.size()));
        json.value("frame_wall_ms_median", variant.wallMs.median());
        json.value("frame_wall_ms_p95", variant.wallMs.percentile95());
        json.value("frame_process_cpu_ms_median", variant.processCpuMs.median());
        json.value("main_gpu_ms_median", variant.mainGpuMs.median());
        json.value("shadow_gpu_ms_median", variant.shadowGpuMs.median());
        json.endObject();
    }
    json.endObject();
    json.beginObject("frame_wall_ratios");
    for (const MomentRatio& ratio : momentRatios) {
        json.value(ratio.key, wallRatio(moment, ratio.numerator, ratio.denominator));
    }
    json.endObject();
    json.beginObject("frame_process_cpu_ratios");
    for (const MomentRatio& ratio : momentRatios) {
        json.value(ratio.key, processCpuRatio(moment, ratio.numerator, ratio.denominator));
    }
    json.endObject();
    writePictures(json, moment);
    json.endObject();
}

} // namespace

void MainPassReport::printTables(const BenchResults& results, std::ostream& out)
{
    const RunSettings& settings = results.settings;
    out << "\nMain pass: still frames at moments of the paths, frame wall ms (median of " << settings.momentFrames
        << " frames per variant after " << settings.momentWarmUpFrames << " warm-up, interleaved)\n";
    if (!results.mainPassCompared) {
        out << "  The comparison could not be set up; see the log.\n";
        return;
    }
    printTimes(results, out);
    printOtherPrograms(results, out);
    printPictures(results.moments, "the shipped scene", out);
    if (!results.fineDetailCompared) {
        out << "\n  The fine-detail scene could not be set up; see the log.\n";
        return;
    }
    printPictures(results.fineDetailMoments, "the fine-detail scene", out);
}

void MainPassReport::writeJson(const BenchResults& results, JsonWriter& json)
{
    json.beginObject("main_pass");
    json.boolean("compared", results.mainPassCompared);
    json.value("slight_gap", Difference::slightGap);
    json.beginArray("moments");
    for (const MomentResult& moment : results.moments) {
        writeMoment(json, moment);
    }
    json.endArray();
    const auto [median, largest] = rendererOverReference(results.moments);
    json.beginObject("renderer_over_reference");
    json.value("median", median);
    json.value("largest", largest);
    json.endObject();
    json.boolean("fine_detail_compared", results.fineDetailCompared);
    json.beginArray("fine_detail_moments");
    for (const MomentResult& moment : results.fineDetailMoments) {
        json.beginObject();
        json.value("seconds", moment.seconds);
        writePictures(json, moment);
        json.endObject();
    }
    json.endArray();
    json.endObject();
}
