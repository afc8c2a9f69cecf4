#include "gpu/FramebufferObject.h"
