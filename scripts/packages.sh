# The Debian packages the project needs, sourced by the other scripts.
# Debian's Assimp CMake package links libz.so without depending on zlib1g-dev.
# libtiff-dev: Debian's FreeImage reads TIFF through the system's libtiff,
# whose message handlers the texture manager replaces.
build_packages=(cmake g++ make libglfw3-dev libglew-dev libassimp-dev zlib1g-dev libfreeimage-dev libglm-dev libpugixml-dev libtiff-dev)
display_packages=(xvfb xauth libgl1-mesa-dri)
# glfw3native.h, which the tests use to reach the X window behind a GLFW
# window, includes the XRandR header.
test_packages=(googletest libgtest-dev libx11-dev libxtst-dev libxrandr-dev python3)
run_packages=(xdotool imagemagick)
sanitize_packages=(xdotool)
# libFuzzer's runtime is only a recommendation of clang's, so it is named.
fuzz_packages=(clang libclang-rt-14-dev)
