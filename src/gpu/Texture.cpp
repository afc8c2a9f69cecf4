#include "gpu/Texture.h"
