// Shared libraries loaded while the program runs: the native runtime's in-process servers.
// POSIX builds only: on Windows the system's runtime loads in-process servers itself.
#pragma once

namespace qmt::platform {

// One reference to a loaded shared library, given back when dropped.
class SharedLibrary {
public:
    SharedLibrary() = default;
    SharedLibrary(SharedLibrary&& other) noexcept
        : m_handle(other.release())
    {
    }
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(SharedLibrary const&) = delete;
    SharedLibrary& operator=(SharedLibrary const&) = delete;
    ~SharedLibrary() { reset(); }

    // Binds every symbol at once (a missing symbol fails here, not in the middle of a
    // call) and keeps the library's symbols to itself. Empty when it cannot be loaded.
    static SharedLibrary open(char const* path);
    // The loader's own words on the last failure of open() (the same thread, nothing loaded
    // since); null when it has none.
    static char const* last_error();
    // Takes back the reference that release() handed out.
    static SharedLibrary adopt(void* released) { return SharedLibrary(released); }

    explicit operator bool() const { return m_handle != nullptr; }
    void* symbol(char const* name) const;
    // Names the library: loading one that is already loaded gives the same handle.
    void* handle() const { return m_handle; }
    // Hands the reference over as a plain pointer, to be stored and later adopted.
    void* release();
    void reset();

private:
    explicit SharedLibrary(void* handle)
        : m_handle(handle)
    {
    }
    void* m_handle {nullptr};
};

} // namespace qmt::platform
