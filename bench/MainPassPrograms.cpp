#include "MainPassPrograms.h"

#include "app/Application.h"
#include "gpu/ShadowPassNames.h"

bool MainPassPrograms::build()
{
    ShaderManager& shaders = app.shaderManager;
    BaseLight* light = app.assetManager.lights.getLight(ShadowPassNames::light);
    shipped = shaders.getShader("smnmbptex_point");
    plain = shaders.getShader("smbptex_point");
    wide = shaders.getShader("varsmnmbptex_point");
    wideShadowPass = shaders.getShader("varshadowmap");
    reference = shaders.addShader("reference_smnmbptex_point", "smnmbptex_base.vert",
                                  "reference_smnmbptex_point.frag", light);
    fullFilter = shaders.addShader("full_filter_smnmbptex_point", "smnmbptex_base.vert", fullFilterFile, light);
    unshadowedFloor = shaders.addShader("floor_unshadowed_smnmbptex_point", "smnmbptex_base.vert",
                                        "floor_unshadowed_smnmbptex_point.frag", light);
    oneTapFloor = shaders.addShader("floor_one_tap_smnmbptex_point", "smnmbptex_base.vert",
                                    "floor_one_tap_smnmbptex_point.frag", light);
    plainReference =
        shaders.addShader("reference_smbptex_point", "smbptex_base.vert", "reference_smbptex_point.frag", light);
    wideReference = shaders.addShader("reference_varsmnmbptex_point", "smnmbptex_base.vert",
                                      "reference_varsmnmbptex_point.frag", light);
    for (const PixelShader* program : {shipped, reference, fullFilter, unshadowedFloor, oneTapFloor, plain,
                                       plainReference, wide, wideReference, wideShadowPass}) {
        if (program == nullptr) {
            return false;
        }
    }
    return true;
}
