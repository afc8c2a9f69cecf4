#version 430 core

// Unlit textured geometry: the diffuse texture as it is, fully opaque.

in vec2 texCoord;

layout(binding = 0) uniform sampler2D textureMap;

layout(location = 0) out vec4 fragColor;

void main()
{
    fragColor = vec4(texture(textureMap, texCoord).rgb, 1.0);
}
