// Template output on its way to the output channel. Runs of literal text and replacements
// are gathered in one bounded buffer and handed on in writes of its size; a run at least
// that long goes straight from the mapping, after what was gathered before it. The bytes
// and their order are exactly those of writing every piece at once, so a section of many
// rows costs a few large writes instead of several small ones per row.
#pragma once

#include "common/heap_ptr.h"
#include "template/piece_copy.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace qmt {

// Where the gathered bytes go: a callable taken by reference, not owned.
class ByteSink {
public:
    template<typename Write>
    requires(!std::is_same_v<Write, ByteSink>) explicit ByteSink(Write& write)
        : m_context(&write)
        , m_write([](void* context, void const* bytes, std::uint64_t length) {
            (*static_cast<Write*>(context))(bytes, length);
        })
    {
    }
    void write(void const* bytes, std::uint64_t length) const { m_write(m_context, bytes, length); }

private:
    void* m_context;
    void (*m_write)(void*, void const*, std::uint64_t);
};

class GatheredOutput {
public:
    static constexpr std::size_t default_capacity = 64 * 1024;
    // Most pages fit in the first buffer, inside the object (on the stack, whose pages the
    // request has reached before). The whole capacity is taken from the heap only once more is
    // gathered: a process that serves one request touches no page it does not need.
    static constexpr std::size_t first_capacity = 4 * 1024 - 64;

    // `capacity` is for tests; the writes are those of a buffer of `capacity` bytes from the
    // start. When the heap cannot supply the whole buffer, the first one serves, and the
    // output is the same.
    explicit GatheredOutput(ByteSink sink, std::size_t capacity = default_capacity);
    GatheredOutput(GatheredOutput const&) = delete;
    GatheredOutput& operator=(GatheredOutput const&) = delete;

    void write(void const* bytes, std::size_t length)
    {
        if (length <= m_capacity - m_used) {
            copy_piece(m_buffer + m_used, static_cast<unsigned char const*>(bytes), length);
            m_used += length;
        } else {
            write_beyond_room(static_cast<unsigned char const*>(bytes), length);
        }
    }
    // Hands on everything gathered so far.
    void flush();

    // The write position held apart from the output, for a loop that writes many small
    // pieces: a copy's bytes may alias any member, so a position kept in the output would be
    // reloaded after each copy, while one in a local object stays in a register. The
    // position goes back to the output when the cursor ends; nothing else may use the
    // output while a cursor lives.
    class Cursor {
    public:
        explicit Cursor(GatheredOutput& output)
            : m_output(output)
            , m_at(output.m_buffer + output.m_used)
            , m_end(output.m_buffer + output.m_capacity)
        {
        }
        Cursor(Cursor const&) = delete;
        Cursor& operator=(Cursor const&) = delete;
        ~Cursor() { m_output.m_used = static_cast<std::size_t>(m_at - m_output.m_buffer); }

        void write(void const* bytes, std::size_t length)
        {
            if (length <= static_cast<std::size_t>(m_end - m_at)) {
                copy_piece(m_at, static_cast<unsigned char const*>(bytes), length);
                m_at += length;
                return;
            }
            m_output.m_used = static_cast<std::size_t>(m_at - m_output.m_buffer);
            m_output.write_beyond_room(static_cast<unsigned char const*>(bytes), length);
            // The buffer may have grown.
            m_at = m_output.m_buffer + m_output.m_used;
            m_end = m_output.m_buffer + m_output.m_capacity;
        }

        // For a run of pieces whose total is known: one check of the room for all of them,
        // then each copied without one.
        bool has_room_for(std::uint64_t length) const { return length <= static_cast<std::uint64_t>(m_end - m_at); }
        void write_within_room(void const* bytes, std::size_t length)
        {
            copy_piece(m_at, static_cast<unsigned char const*>(bytes), length);
            m_at += length;
        }

    private:
        GatheredOutput& m_output;
        unsigned char* m_at;
        unsigned char* m_end;
    };

private:
    void write_beyond_room(unsigned char const* bytes, std::size_t length);
    // Moves what is gathered into a buffer of the whole capacity; false when there is none.
    bool grow();

    ByteSink m_sink;
    HeapPtr<unsigned char> m_heap_buffer;
    unsigned char* m_buffer;
    std::size_t m_capacity; // of m_buffer
    std::size_t m_whole_capacity; // what m_buffer grows to
    std::size_t m_used {0};
    unsigned char m_first[first_capacity];
};

} // namespace qmt
