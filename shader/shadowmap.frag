#version 430 core

// Fragment stage of the shadow pass: writes nothing itself. The cube map keeps
// the hardware depth of each face, the perspective depth
// 0.5 * ((f + n) / (f - n) - 2 f n / ((f - n) z)) + 0.5 of a point at distance
// z along the face's axis (n, f = "nearFarPlane"), which the shadowed programs
// recompute for their fragments to compare.

void main()
{
}
