// One counted reference to an interface, released when dropped: for the interfaces an
// object receives (collections, items) and hands on.
#pragma once

#include "quillmate/runtime.h"

#include <utility>

namespace quillmate {

template<typename Interface>
class Ref {
public:
    Ref() = default;
    Ref(Ref&& other) noexcept
        : m_pointer(std::exchange(other.m_pointer, nullptr))
    {
    }
    Ref& operator=(Ref&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_pointer = std::exchange(other.m_pointer, nullptr);
        }
        return *this;
    }
    Ref(Ref const&) = delete;
    Ref& operator=(Ref const&) = delete;
    ~Ref() { reset(); }

    // Takes over a reference the caller holds already (a new object's first one).
    static Ref adopt(Interface* pointer)
    {
        Ref ref;
        ref.m_pointer = pointer;
        return ref;
    }
    // Adds a reference of its own.
    static Ref share(Interface* pointer)
    {
        if (pointer != nullptr)
            pointer->AddRef();
        return adopt(pointer);
    }

    Interface* get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // For out-parameters of the interface's own type.
    Interface** out()
    {
        reset();
        return &m_pointer;
    }
    // For QueryInterface-style out-parameters.
    void** out_void()
    {
        reset();
        return reinterpret_cast<void**>(&m_pointer);
    }

    // Hands the reference over to the caller, who releases it.
    Interface* detach() { return std::exchange(m_pointer, nullptr); }

    void reset()
    {
        if (m_pointer != nullptr)
            std::exchange(m_pointer, nullptr)->Release();
    }

private:
    Interface* m_pointer {nullptr};
};

} // namespace quillmate
