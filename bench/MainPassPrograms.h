#pragma once

class PixelShader;

// The programs of the main-pass comparison, built beside the renderer's
// catalogue once the scene has started in the workspace: the shipped
// shadowed programs, the frozen references they are timed and compared
// against, the two floors and the control.
class MainPassPrograms {
public:
    // The switch of the shipped shadowed programs that turns the early-out
    // of their filter off.
    static constexpr const char* fullFilterSwitch = "FULL_SHADOW_FILTER";
    // The copy of the shipped source with that switch set, which the
    // workspace must hold before build().
    static constexpr const char* fullFilterFile = "full_filter_smnmbptex_point.frag";

    // False, after the shader manager's error lines, when any is missing.
    bool build();

    // The program the scene draws, and the programs the comparison draws in
    // its place.
    const PixelShader* shipped = nullptr;
    const PixelShader* reference = nullptr;
    const PixelShader* fullFilter = nullptr;
    const PixelShader* unshadowedFloor = nullptr;
    const PixelShader* oneTapFloor = nullptr;
    // The other shadowed programs: without a normal map, and with the wide
    // filter over the alternative cube map encoding, which needs its own
    // shadow pass.
    const PixelShader* plain = nullptr;
    const PixelShader* plainReference = nullptr;
    const PixelShader* wide = nullptr;
    const PixelShader* wideReference = nullptr;
    const PixelShader* wideShadowPass = nullptr;
};
