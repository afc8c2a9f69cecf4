#include "scene/ProcessObjects.h"

ProcessObjects& processObjects()
{
    static ProcessObjects objects;
    return objects;
}
