#include "gpu/PixelShader.h"
