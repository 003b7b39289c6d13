// The one way to write an automation object: reference counting, QueryInterface from a
// list of interfaces and the identifiers each answers to, creation on a heap and
// destruction through it. Header only; needs nothing of the C++ runtime (no exceptions, no
// operator new), so an object library may be built without it.
//
//   class Greeter final : public quillmate::Object<Greeter,
//                                                  quillmate::Answers<IDispatch, IID_IUnknown, IID_IDispatch>> {
//       friend quillmate::Access;   // lets create() and Release() reach a private constructor and destructor
//       Greeter(int greeting);
//       ...
//   };
//   Greeter* greeter = Greeter::create(42);   // one reference, or null when memory is short
//
// Every interface named in the list shares the one reference count and the one identity:
// QueryInterface on any of them answers the same way. The first matching entry wins.
#pragma once

#include "quillmate/runtime.h"

#include <cstddef>
#include <new>
#include <utility>
#ifndef _WIN32
#    include <cstdlib>
#endif

namespace quillmate {

// The default home of objects: the process heap (HeapAlloc on Windows, malloc elsewhere,
// which is the native gateway's process heap). An object whose storage must come from
// elsewhere names its own: `using Heap = MyHeap;` with the same two static functions.
struct ProcessHeap {
    static void* allocate(std::size_t bytes)
    {
#ifdef _WIN32
        return HeapAlloc(GetProcessHeap(), 0, bytes);
#else
        return std::malloc(bytes);
#endif
    }
    static void free(void* block)
    {
#ifdef _WIN32
        if (block != nullptr)
            HeapFree(GetProcessHeap(), 0, block);
#else
        std::free(block);
#endif
    }
};

// One interface of an object and the identifiers QueryInterface hands it out for.
template<typename Interface, IID const&... Identifiers>
struct Answers {
    using Type = Interface;
    static bool matches(REFIID iid) { return (IsEqualIID(iid, Identifiers) || ...); }
};

// Befriended by an object (`friend quillmate::Access;`) so that its constructor and
// destructor may stay private: only create() and the last Release() use them.
struct Access {
    template<typename Derived, typename... Arguments>
    static Derived* construct(void* storage, Arguments&&... arguments)
    {
        return ::new (storage) Derived(std::forward<Arguments>(arguments)...);
    }
    template<typename Derived>
    static void destroy(Derived* object)
    {
        object->~Derived();
    }
};

namespace detail {

template<typename Derived>
struct HeapOf {
    using Type = ProcessHeap;
};
template<typename Derived>
requires requires { typename Derived::Heap; }
struct HeapOf<Derived> {
    using Type = typename Derived::Heap;
};

} // namespace detail

template<typename Derived, typename... Interfaces>
class Object : public Interfaces::Type... {
public:
    static_assert(sizeof...(Interfaces) > 0, "an object answers for at least one interface");

    // A new object holding one reference (the caller's), or null when memory is short.
    template<typename... Arguments>
    static Derived* create(Arguments&&... arguments)
    {
        void* storage = detail::HeapOf<Derived>::Type::allocate(sizeof(Derived));
        if (storage == nullptr)
            return nullptr;
        return Access::construct<Derived>(storage, std::forward<Arguments>(arguments)...);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        return answer<Interfaces...>(iid, object);
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG const remaining = --m_references;
        if (remaining == 0) {
            auto* self = static_cast<Derived*>(this);
            Access::destroy(self);
            detail::HeapOf<Derived>::Type::free(self);
        }
        return remaining;
    }

protected:
    Object() = default;
    ~Object() = default;
    Object(Object const&) = delete;
    Object& operator=(Object const&) = delete;

private:
    template<typename First, typename... Rest>
    HRESULT answer(REFIID iid, void** object)
    {
        if (First::matches(iid)) {
            auto* found = static_cast<typename First::Type*>(static_cast<Derived*>(this));
            found->AddRef();
            *object = found;
            return S_OK;
        }
        if constexpr (sizeof...(Rest) > 0)
            return answer<Rest...>(iid, object);
        else
            return E_NOINTERFACE;
    }

    ULONG m_references {1};
};

// An object whose callers bind early: its dispatch operations answer E_NOTIMPL (an object
// may still override any of them, as a collection does with Invoke).
template<typename Derived, typename... Interfaces>
class EarlyBoundObject : public Object<Derived, Interfaces...> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

protected:
    EarlyBoundObject() = default;
    ~EarlyBoundObject() = default;
};

} // namespace quillmate
