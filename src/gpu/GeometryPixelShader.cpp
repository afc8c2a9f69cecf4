#include "gpu/GeometryPixelShader.h"
