#include "base/ColladaPreCheck.h"

#include "ColladaForgery.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ColladaForgery;

namespace {

struct Case {
    const char* what;
    std::string document;
    // Empty for a document that passes.
    std::string reason;
};

} // namespace

TEST(ColladaPreCheck, RefusesWhatAssimpCannotSurviveWithItsReasonAndPassesTheSoundNeighbours)
{
    const std::string textured = "<newparam sid=\"surface\"><surface type=\"2D\"><init_from>wall-image</init_from>"
                                 "</surface></newparam>"
                                 "<newparam sid=\"sampler\"><sampler2D><source>surface</source></sampler2D></newparam>";
    const std::string unusedEffectLoop =
        "<library_effects><effect id=\"unused\"><profile_COMMON><newparam sid=\"a\"><sampler2D><source>a</source>"
        "</sampler2D></newparam><technique sid=\"t\"><phong><diffuse><texture texture=\"a\" texcoord=\"uv\"/>"
        "</diffuse></phong></technique></profile_COMMON></effect></library_effects>";
    const std::vector<Case> cases = {
        {"a sound document", document(), ""},
        {"a texture through a sampler and a surface", texturedDocument(textured), ""},
        {"a skin naming its own controller", skinNamingItsController(),
         "has controller 'skin' whose source leads back to itself"},
        {"two morphs naming each other", morphsNamingEachOther(),
         "has controller 'first' whose source leads back to itself"},
        {"a skin of a controller skinning the mesh",
         document("<library_controllers><controller id=\"outer\"><skin source=\"#inner\"/></controller>"
                  "<controller id=\"inner\"><skin source=\"#quad-mesh\"/></controller></library_controllers>"),
         ""},
        {"a sampler naming itself", samplerNamingItself(),
         "has effect 'quad-effect' whose parameter 'sampler' leads back to itself"},
        {"a surface and a sampler naming each other", surfaceAndSamplerNamingEachOther(),
         "has effect 'quad-effect' whose parameter 'sampler' leads back to itself"},
        {"a loop in an effect no material uses", document(unusedEffectLoop), ""},
        {"positions from far past their array", accessorPastItsArray(4000000000u),
         "has an accessor that reads past the 12 values of its array 'quad-positions-array'"},
        {"positions one past their array", accessorPastItsArray(1),
         "has an accessor that reads past the 12 values of its array 'quad-positions-array'"},
        {"positions that end with their array", accessorPastItsArray(0), ""},
        {"animations nested 100 000 deep", nestedElements("animation", 100000), "nests elements more than 2000 deep"},
        {"elements nested 600 000 deep", nestedElements("extra", 600000), "nests elements more than 2000 deep"},
        {"elements nested one too deep", nestedElements("extra", 1999), "nests elements more than 2000 deep"},
        {"elements nested as deep as taken", nestedElements("extra", 1998), ""},
        {"a chain of 7 000 instances", instanceChain(7000), "nests nodes more than 1000 deep"},
        {"a chain one node too deep", instanceChain(999), "nests nodes more than 1000 deep"},
        {"a chain as deep as taken", instanceChain(998), ""},
        {"instances doubling over 16 levels", doublingInstances(16),
         "builds more than 10000 nodes beyond those it holds, through <instance_node>"},
        {"instances doubling over 13 levels", doublingInstances(13),
         "builds more than 10000 nodes beyond those it holds, through <instance_node>"},
        {"instances doubling over 12 levels", doublingInstances(12), ""},
        {"a path of 100 000 keys", keyedAnimation(100000),
         "animates 'quad/transform' with 100000 keys, more than 50000"},
        {"a path of 50 000 keys", keyedAnimation(50000), ""},
        {"an angle jumping by 1e12 degrees", angleStep("1e12"),
         "turns 'quad/spin.ANGLE' so far between keys that Assimp would sample it into more than 50000 keys"},
        {"an angle jumping to infinity", angleStep("inf"),
         "turns 'quad/spin.ANGLE' so far between keys that Assimp would sample it into more than 50000 keys"},
        {"an angle sampled into one key too many", angleStep("4499910"),
         "turns 'quad/spin.ANGLE' so far between keys that Assimp would sample it into more than 50000 keys"},
        {"an angle sampled into as many keys as taken", angleStep("4499820"), ""},
        // Sound by every check; the import's bound is what catches them.
        {"a skew", skewedNode(), ""},
        {"a skin naming a joint past its list", skinWithJointPastItsList(), ""},
    };
    TempDirectory workspace;
    for (const Case& each : cases) {
        workspace.write("model.dae", each.document);
        const ColladaPreCheck::Verdict verdict = ColladaPreCheck::check((workspace.path() / "model.dae").string());
        EXPECT_EQ(verdict.safe, each.reason.empty()) << each.what;
        EXPECT_EQ(verdict.reason, each.reason) << each.what;
    }
}
