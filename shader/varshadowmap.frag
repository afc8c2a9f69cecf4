#version 430 core

// Fragment stage of the alternative shadow pass: stores the linear distance
// to the light instead of the perspective depth, as a fraction of the far
// plane (length(worldPosition - lightPosition) / far). Unlike the perspective
// depth, whose precision is crowded near the light, this spreads the depth
// buffer's precision evenly over the whole range, and it is the same number
// on every face, so a receiver compares plain distances. The depth test keeps
// the nearest surface as usual; "varsmnmbptex_point" reads this encoding.
// The far plane defaults to the shadow pass's 40 for a pass that does not
// upload "nearFarPlane".

in vec3 worldPosition;

uniform vec3 lightPosition;
uniform vec2 nearFarPlane = vec2(0.1, 40.0);

void main()
{
    gl_FragDepth = length(worldPosition - lightPosition) / nearFarPlane.y;
}
