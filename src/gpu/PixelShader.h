#pragma once

class BaseLight;

// One linked GL program with its shader objects and the light whose values
// are uploaded whenever it is bound for drawing. Binding makes it the
// process-wide active program, the one the uniform setters' callers use.
class PixelShader {
public:
    PixelShader(unsigned int program, unsigned int vertexShader, unsigned int fragmentShader, BaseLight* light);
    virtual ~PixelShader() = default;
    PixelShader(const PixelShader&) = delete;
    PixelShader& operator=(const PixelShader&) = delete;

    // glUseProgram, then this becomes the active program.
    void bind();
    // glUseProgram(0) and no active program, whichever one was active.
    void unbind() const;
    // Deletes the program, then its shader objects.
    virtual void release() const;

    // The active program; null after the "No active program" error line.
    static PixelShader* getActive();

    // Each setter looks the location up by name on every call and writes one
    // element, untransposed, into the program current in GL.
    int getUniformLocation(const char* name) const;
    void setUniform1f(const char* name, float value) const;
    void setUniform1i(const char* name, int value) const;
    void setUniform2fv(const char* name, const float* values) const;
    void setUniform3fv(const char* name, const float* values) const;
    void setUniformMatrix3fv(const char* name, const float* values) const;
    void setUniformMatrix4fv(const char* name, const float* values) const;
    // For array elements: the array's location plus the element index.
    static void setUniformMatrix4fv(int location, const float* values);

    const unsigned int program;
    const unsigned int vertexShader;
    const unsigned int fragmentShader;
    // Not owned; null for a program drawn without a light.
    BaseLight* const light;

private:
    static PixelShader* activeProgram;
};
