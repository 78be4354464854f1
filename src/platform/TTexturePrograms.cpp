#include "platform/TTexturePrograms.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>

#include <cstring>

namespace {

// Entry points of ARB_fragment_program, looked up per context.
PFNGLGENPROGRAMSARBPROC genPrograms = nullptr;
PFNGLBINDPROGRAMARBPROC bindProgram = nullptr;
PFNGLPROGRAMSTRINGARBPROC programString = nullptr;

// The texel as it is, and the texel times the interpolated draw colour, as the fixed-function
// GL_REPLACE and GL_MODULATE give them.
constexpr const char* kReplaceSource =
    "!!ARBfp1.0\n"
    "TEX result.color, fragment.texcoord[0], texture[0], 2D;\n"
    "END\n";
constexpr const char* kModulateSource =
    "!!ARBfp1.0\n"
    "TEMP texel;\n"
    "TEX texel, fragment.texcoord[0], texture[0], 2D;\n"
    "MUL result.color, texel, fragment.color;\n"
    "END\n";

template <class F>
F Lookup(const char* name) {
    return reinterpret_cast<F>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

bool HasExtension(const char* name) {
    const char* all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!all) return false;
    const size_t n = std::strlen(name);
    for (const char* at = std::strstr(all, name); at; at = std::strstr(at + n, name))
        if ((at == all || at[-1] == ' ') && (at[n] == ' ' || at[n] == '\0')) return true;
    return false;
}

}  // namespace

bool TTexturePrograms::Load() {
    ready_ = false;
    current_ = -1;
    if (!HasExtension("GL_ARB_fragment_program")) return false;
    genPrograms = Lookup<PFNGLGENPROGRAMSARBPROC>("glGenProgramsARB");
    bindProgram = Lookup<PFNGLBINDPROGRAMARBPROC>("glBindProgramARB");
    programString = Lookup<PFNGLPROGRAMSTRINGARBPROC>("glProgramStringARB");
    if (!genPrograms || !bindProgram || !programString) return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    genPrograms(2, names_ + 1);
    const char* sources[3] = {nullptr, kReplaceSource, kModulateSource};
    for (int kind = kReplace; kind <= kModulate; ++kind) {
        if (names_[kind] == 0) return false;
        bindProgram(GL_FRAGMENT_PROGRAM_ARB, names_[kind]);
        programString(GL_FRAGMENT_PROGRAM_ARB, GL_PROGRAM_FORMAT_ASCII_ARB, GLsizei(std::strlen(sources[kind])),
                      sources[kind]);
        if (glGetError() != GL_NO_ERROR) return false;
    }
    ready_ = true;
    return true;
}

void TTexturePrograms::Use(int kind) {
    if (!ready_ || kind == current_) return;
    if (kind == kNone) {
        glDisable(GL_FRAGMENT_PROGRAM_ARB);
    } else {
        if (current_ <= kNone) glEnable(GL_FRAGMENT_PROGRAM_ARB);
        bindProgram(GL_FRAGMENT_PROGRAM_ARB, names_[kind]);
    }
    current_ = kind;
}
