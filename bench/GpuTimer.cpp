#include <GL/glew.h>

#include "GpuTimer.h"

void GpuTimer::create()
{
    glGenQueries(1, &query);
}

void GpuTimer::release()
{
    glDeleteQueries(1, &query);
    query = 0;
}

void GpuTimer::begin() const
{
    glBeginQuery(GL_TIME_ELAPSED, query);
}

void GpuTimer::end() const
{
    glEndQuery(GL_TIME_ELAPSED);
}

double GpuTimer::elapsedMilliseconds() const
{
    GLuint64 nanoseconds = 0;
    glGetQueryObjectui64v(query, GL_QUERY_RESULT, &nanoseconds);
    return static_cast<double>(nanoseconds) * 1e-6;
}
