// A run-time loaded shared library: dlopen on Load, dlclose on Unload or
// destruction. Not copyable; movable ownership is not needed.
#pragma once

#include <string>

namespace vexa {

class TSharedLibraryVexaRM {
public:
    TSharedLibraryVexaRM() = default;
    ~TSharedLibraryVexaRM();
    TSharedLibraryVexaRM(const TSharedLibraryVexaRM &) = delete;
    TSharedLibraryVexaRM &operator=(const TSharedLibraryVexaRM &) = delete;

    // Loads the library at path (releasing one already held). Returns false
    // and keeps the loader's message in ErrorText() when it cannot be loaded.
    bool Load(const std::string &path);
    // Releases the library if one is held; its symbols become invalid.
    void Unload();
    bool Loaded() const { return FHandle != nullptr; }
    // The address of an exported name, or nullptr when absent or not loaded.
    void *Symbol(const char *name) const;
    const std::string &ErrorText() const { return FErrorText; }
    const std::string &Path() const { return FPath; }

    // The folder that holds the running executable (no trailing slash);
    // "." when it cannot be determined.
    static std::string ExecutableFolder();

private:
    void *FHandle = nullptr;
    std::string FPath;
    std::string FErrorText;
};

} // namespace vexa
