// Files the user's method names: opened per operation, closed by their owner (RAII).
#pragma once

#include "platform/native_handle.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace qmt::platform {

class File {
public:
    File() = default;
    File(File&& other) noexcept
        : m_handle(other.release())
    {
    }
    File& operator=(File&& other) noexcept;
    File(File const&) = delete;
    File& operator=(File const&) = delete;
    ~File() { close(); }

    // An existing file, read access, others may read but not write, sequential-scan hint.
    // Only a regular file opens: a FIFO, a device or a directory is refused at once, never
    // waited for.
    static File open_for_reading(char const* path);
    // Created or truncated, write access only, no sharing. The same holds: only a regular
    // file (or a new one) is opened, and nothing else is truncated or waited for.
    static File create_for_writing(char const* path);

    bool is_open() const { return is_valid(m_handle); }
    NativeHandle handle() const { return m_handle; }
    std::optional<std::uint64_t> size() const;
    // Up to `length` bytes from `offset`, wherever the file's position stands; fewer only where
    // the file ends. Nothing when a read fails.
    std::optional<std::size_t> read_at(std::uint64_t offset, void* buffer, std::size_t length) const;
    void close();
    NativeHandle release();

private:
    explicit File(NativeHandle handle)
        : m_handle(handle)
    {
    }
    NativeHandle m_handle {invalid_handle};
};

// Why opening or creating `path` just failed, in words, into `text`; its length. Called right
// after the failure (it reads the system's last error, then looks at the path again).
std::size_t describe_open_failure(char const* path, char* text, std::size_t capacity);

// A read-only view of part of a file. The view keeps the file's content reachable after
// the File that it was made from has been closed.
class FileView {
public:
    FileView() = default;
    FileView(FileView&& other) noexcept;
    FileView& operator=(FileView&& other) noexcept;
    FileView(FileView const&) = delete;
    FileView& operator=(FileView const&) = delete;
    ~FileView() { unmap(); }

    // Maps `length` bytes (not 0) of the file from `offset`, a multiple of view_alignment.
    static FileView map_read_only(File const& file, std::uint64_t offset, std::uint64_t length);
    // Every platform maps views at multiples of this (Windows' allocation granularity).
    static constexpr std::uint64_t view_alignment = 64 * 1024;

    bool is_mapped() const { return m_data != nullptr; }
    unsigned char const* data() const { return m_data; }
    std::uint64_t length() const { return m_length; }

private:
    void unmap();
    unsigned char const* m_data {nullptr};
    std::uint64_t m_length {0};
#ifdef _WIN32
    void* m_mapping {nullptr};
#endif
};

} // namespace qmt::platform
