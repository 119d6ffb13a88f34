#include "SharedLibraryVexaRM.h"

#include <climits>
#include <dlfcn.h>
#include <unistd.h>

namespace vexa {

TSharedLibraryVexaRM::~TSharedLibraryVexaRM() {
    Unload();
}

bool TSharedLibraryVexaRM::Load(const std::string &path) {
    Unload();
    FErrorText.clear();
    FHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!FHandle) {
        const char *e = dlerror();
        FErrorText = e ? e : "cannot load " + path;
        return false;
    }
    FPath = path;
    return true;
}

void TSharedLibraryVexaRM::Unload() {
    if (!FHandle) return;
    dlclose(FHandle);
    FHandle = nullptr;
    FPath.clear();
}

void *TSharedLibraryVexaRM::Symbol(const char *name) const {
    if (!FHandle) return nullptr;
    return dlsym(FHandle, name);
}

std::string TSharedLibraryVexaRM::ExecutableFolder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, static_cast<size_t>(n));
    auto slash = p.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return p.substr(0, slash);
}

} // namespace vexa
